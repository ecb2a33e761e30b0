#include "service/serviceexchange.h"

#include "service/logging.h"
#include "service/serviceaddress.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <functional>

namespace zv {
namespace {

int& silenceLimit()
{
    static int limit = 30000;
    return limit;
}

// Made on the owner's first query and kept for the next ones: the
// connections it keeps alive (and their TLS sessions) spare every later wait
// a new handshake with the service.
QNetworkAccessManager& serviceManagerOf(QObject* owner)
{
    static const QString name = QStringLiteral("zvServiceQueries");
    auto* manager = owner->findChild<QNetworkAccessManager*>(name, Qt::FindDirectChildrenOnly);
    if (!manager) {
        manager = new QNetworkAccessManager(owner);
        manager->setObjectName(name);
    }
    return *manager;
}

QNetworkReply* startPost(QNetworkAccessManager& manager, const QString& statement)
{
    QNetworkRequest request(serviceApiAddress());
    // The body is bare statement text although the type says JSON: the
    // service takes it as such.
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader(QByteArrayLiteral("Accept"), QByteArrayLiteral("application/json"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Counts from the post and again from every byte that moves, so a
    // connection that never comes and an answer that stops halfway both end.
    request.setTransferTimeout(silenceLimit());
    // Over TLS a service that speaks HTTP/2 carries every query of a wait
    // on one connection at once; one that does not keeps HTTP/1.1 (ALPN).
    // Plain HTTP stays HTTP/1.1, with no upgrade asked.
    if (request.url().scheme() == QLatin1String("https"))
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, true);
    return manager.post(request, statement.toUtf8());
}

// Reads what a reply gave and releases it. A reply that is still running
// was left by a wait that ended early: whatever it holds is not an answer.
ExchangeResult finishExchange(QNetworkReply* reply)
{
    ExchangeResult result;
    result.reachedService =
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (!reply->isFinished()) {
        reply->abort();
        result.errorText = QStringLiteral("the wait for the answer ended before it came");
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        // Nothing else of ours aborts a finished reply: it fell silent.
        result.errorText = QStringLiteral("no answer for %1 s (%2)")
                               .arg(silenceLimit() / 1000.0)
                               .arg(reply->errorString());
    } else if (reply->error() != QNetworkReply::NoError) {
        result.errorText = reply->errorString();
    } else {
        result.ok = true;
        result.body = reply->readAll();
    }
    reply->deleteLater();
    return result;
}

std::optional<QJsonArray> answerOrLog(const ExchangeResult& result, const QString& logPrefix)
{
    if (!result.ok) {
        ZV_ERROR() << logPrefix << result.errorText;
        return std::nullopt;
    }
    return answerRows(result.body);
}

} // namespace

int serviceSilenceLimitMs()
{
    return silenceLimit();
}

void setServiceSilenceLimitMs(int milliseconds)
{
    silenceLimit() = milliseconds;
}

ExchangeResult postStatement(QNetworkAccessManager& manager, const QString& statement,
                             QNetworkReply** replySlot)
{
    QEventLoop loop;
    QNetworkReply* reply = startPost(manager, statement);
    if (replySlot)
        *replySlot = reply;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    if (replySlot && *replySlot == reply)
        *replySlot = nullptr;
    return finishExchange(reply);
}

std::optional<QJsonArray> sendServiceQuery(QObject* owner, const QString& statement,
                                           const QString& logPrefix, QNetworkReply** replySlot,
                                           bool* reachedService)
{
    const ExchangeResult result = postStatement(serviceManagerOf(owner), statement, replySlot);
    if (reachedService)
        *reachedService = result.reachedService;
    return answerOrLog(result, logPrefix);
}

QVector<std::optional<QJsonArray>> sendServiceQueries(QObject* owner,
                                                      const QVector<ServiceQuery>& queries,
                                                      int maxInFlight,
                                                      const ServiceFollowUps& followUps)
{
    QVector<ServiceQuery> all = queries;
    QVector<std::optional<QJsonArray>> answers(all.size());
    if (all.isEmpty())
        return answers;
    QNetworkAccessManager* const manager = &serviceManagerOf(owner);
    QVector<QNetworkReply*> replies(all.size(), nullptr);
    int started = 0;
    int finished = 0;
    QEventLoop loop;
    static const char* const http2Seen = "zvHttp2Seen";
    std::function<void()> fill = [&] {
        const int limit = manager->property(http2Seen).toBool() ? qMax(maxInFlight, maxStreamsInFlight)
                                                                : qMax(1, maxInFlight);
        while (started < all.size() && started - finished < limit) {
            const int index = started++;
            QNetworkReply* reply = startPost(*manager, all.at(index).statement);
            replies[index] = reply;
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, index] {
                if (replies.at(index)->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool())
                    manager->setProperty(http2Seen, true);
                answers[index] = answerOrLog(finishExchange(replies.at(index)),
                                             all.at(index).logPrefix);
                replies[index] = nullptr;
                ++finished;
                if (followUps) {
                    for (const ServiceQuery& next : followUps(index, answers.at(index))) {
                        all.append(next);
                        answers.append(std::nullopt);
                        replies.append(nullptr);
                    }
                }
                if (finished == all.size())
                    loop.quit();
                else
                    fill();
            });
        }
    };
    fill();
    loop.exec();
    // The loop ended from outside (the client quits): what has not come is
    // lost, and says so.
    for (int index = 0; index < replies.size(); ++index) {
        if (QNetworkReply* reply = replies.at(index)) {
            reply->disconnect(&loop);
            answers[index] = answerOrLog(finishExchange(reply), all.at(index).logPrefix);
        } else if (index >= started) {
            ZV_ERROR() << all.at(index).logPrefix << "not sent: the client is closing";
        }
    }
    return answers;
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
