#include "service/networkerrortext.h"

namespace zv {

namespace {

QString sentenceFor(QNetworkReply::NetworkError code)
{
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Сервер отказал в соединении");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Сервер закрыл соединение, не закончив ответ");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Сервер не найден: проверьте подключение к интернету");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Сервер не ответил вовремя");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("Запрос прерван до получения ответа");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Не удалось установить защищённое соединение: сертификат сервера "
                              "не прошёл проверку");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("Сеть недоступна: проверьте подключение к интернету");
    case QNetworkReply::ProxyConnectionRefusedError:
        return QStringLiteral("Прокси-сервер отказал в соединении");
    case QNetworkReply::ProxyConnectionClosedError:
        return QStringLiteral("Прокси-сервер закрыл соединение");
    case QNetworkReply::ProxyNotFoundError:
        return QStringLiteral("Прокси-сервер не найден: проверьте его адрес");
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("Прокси-сервер не ответил вовремя");
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("Прокси-сервер требует имя пользователя и пароль");
    case QNetworkReply::UnknownProxyError:
        return QStringLiteral("Ошибка прокси-сервера: проверьте настройки соединения");
    case QNetworkReply::ContentNotFoundError:
        return QStringLiteral("На сервере нет запрошенного адреса");
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::AuthenticationRequiredError:
        return QStringLiteral("Сервер отказал в доступе");
    case QNetworkReply::InternalServerError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return QStringLiteral("Сервер не смог ответить, попробуйте позже");
    default:
        break;
    }
    if (code >= QNetworkReply::ContentAccessDenied && code <= QNetworkReply::UnknownContentError)
        return QStringLiteral("Сервер ответил ошибкой");
    return QStringLiteral("Ошибка сети");
}

} // namespace

QString networkErrorText(QNetworkReply::NetworkError code, const QString& qtText)
{
    const QString sentence = sentenceFor(code);
    return qtText.isEmpty() ? sentence
                            : sentence + QStringLiteral(" (") + qtText + QLatin1Char(')');
}

} // namespace zv
