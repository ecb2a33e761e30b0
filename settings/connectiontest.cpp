#include "settings/connectiontest.h"

#include "service/logging.h"
#include "service/networkerrortext.h"
#include "service/serviceaddress.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace zv {

ConnectionTestOutcome testServiceConnection(const ProxyChoice& proxy, QWidget* messageParent,
                                            int silenceLimitMs)
{
    auto* manager = new QNetworkAccessManager;
    setNetworkProxy(*manager, proxy, messageParent);

    // The base address as it stands, final "/" included: without it a base
    // with a path names another page, or one that only redirects.
    QNetworkRequest request(QUrl(serviceBaseAddress(), QUrl::TolerantMode));
    // A proxy that takes the connection and never answers would otherwise
    // keep the test waiting for ever.
    request.setTransferTimeout(silenceLimitMs);
    QNetworkReply* reply = manager->get(request);

    QEventLoop loop;
    QObject::connect(manager, &QNetworkAccessManager::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    ConnectionTestOutcome outcome;
    outcome.error = reply->error();
    // Qt 5 ends a transfer that stays silent past its timeout as cancelled;
    // nothing else cancels this request.
    if (outcome.error == QNetworkReply::OperationCanceledError)
        outcome.error = QNetworkReply::TimeoutError;
    // Through an HTTP proxy Qt tells the proxy's own refusal or unknown name
    // as the service's; the service itself would answer through the proxy.
    if (manager->proxy().type() == QNetworkProxy::HttpProxy) {
        if (outcome.error == QNetworkReply::ConnectionRefusedError)
            outcome.error = QNetworkReply::ProxyConnectionRefusedError;
        else if (outcome.error == QNetworkReply::HostNotFoundError)
            outcome.error = QNetworkReply::ProxyNotFoundError;
    }
    outcome.ok = outcome.error == QNetworkReply::NoError;
    outcome.proxyHost = manager->proxy().hostName();
    if (!outcome.ok) {
        outcome.errorText = reply->errorString();
        ZV_INFO() << "connectTest: " << outcome.errorText;
    }
    reply->deleteLater();
    manager->deleteLater();
    return outcome;
}

QString connectionFailureText(const ConnectionTestOutcome& outcome)
{
    const QString proxy = outcome.proxyHost.isEmpty()
                              ? QString()
                              : QStringLiteral(". Прокси-сервер: ") + outcome.proxyHost;
    return QStringLiteral("Подключение не удалось. ") +
           networkErrorText(outcome.error, outcome.errorText) + proxy;
}

} // namespace zv
