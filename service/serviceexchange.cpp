#include "service/serviceexchange.h"

#include "service/logging.h"
#include "service/serviceaddress.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace zv {

ExchangeResult postStatement(QNetworkAccessManager& manager, const QString& statement,
                             QNetworkReply** replySlot)
{
    QNetworkRequest request(serviceApiAddress());
    // The body is bare statement text although the type says JSON: the
    // service takes it as such.
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader(QByteArrayLiteral("Accept"), QByteArrayLiteral("application/json"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);

    QEventLoop loop;
    QNetworkReply* reply = manager.post(request, statement.toUtf8());
    if (replySlot)
        *replySlot = reply;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    ExchangeResult result;
    if (reply->error() != QNetworkReply::NoError) {
        result.errorText = reply->errorString();
    } else {
        result.ok = true;
        result.body = reply->readAll();
    }
    if (replySlot && *replySlot == reply)
        *replySlot = nullptr;
    reply->deleteLater();
    return result;
}

std::optional<QJsonArray> sendServiceQuery(QObject* owner, const QString& statement,
                                           const QString& logPrefix, QNetworkReply** replySlot)
{
    auto* manager = new QNetworkAccessManager(owner);
    manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    const ExchangeResult result = postStatement(*manager, statement, replySlot);
    manager->deleteLater();
    if (!result.ok) {
        ZV_ERROR() << logPrefix << result.errorText;
        return std::nullopt;
    }
    return answerRows(result.body);
}

QJsonArray answerRows(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    return document.isArray() ? document.array() : QJsonArray();
}

QJsonObject firstRow(const QJsonArray& rows)
{
    return rows.isEmpty() ? QJsonObject() : rows.at(0).toObject();
}

QString columnText(const QJsonObject& row, const QString& column)
{
    const QJsonValue value = row.value(column);
    return value.isString() ? value.toString() : QString();
}

} // namespace zv
