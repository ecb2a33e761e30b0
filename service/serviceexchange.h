#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;

namespace zv {

// What one POST of a statement to the service gave.
struct ExchangeResult
{
    bool ok = false;
    QByteArray body;   // the whole answer body when ok
    QString errorText; // the network layer's text when not ok
    // The service answered at all (with any HTTP status): a failure then is
    // the service's, not the road's to it.
    bool reachedService = false;
};

// How long an exchange may go without a byte before it is given up: a
// service that takes the connection and never answers must not hold the
// client for ever. Tests shorten it.
int serviceSilenceLimitMs();
void setServiceSilenceLimitMs(int milliseconds);

// Posts the statement's UTF-8 bytes to the API address on the given manager
// and waits for the answer in a local event loop: the GUI keeps repainting and
// taking input meanwhile, and the caller resumes when the reply has finished.
// Redirects are not followed. A reply that stays silent for the silence limit,
// or that has not finished when the loop is ended from outside (the client
// quits), is a failure. While the reply is in flight it is also stored in
// *replySlot when one is given.
ExchangeResult postStatement(QNetworkAccessManager& manager, const QString& statement,
                             QNetworkReply** replySlot = nullptr);

// One exchange with the service on owner's manager of service queries (made
// on owner's first query and kept, Qt's default proxy). A failure is logged
// in "Error" as logPrefix + the error text and answers nullopt; an answer
// that is not a JSON array answers an empty array. *reachedService, when
// given, tells whether the service answered at all.
std::optional<QJsonArray> sendServiceQuery(QObject* owner, const QString& statement,
                                           const QString& logPrefix,
                                           QNetworkReply** replySlot = nullptr,
                                           bool* reachedService = nullptr);

struct ServiceQuery
{
    QString statement;
    QString logPrefix;
};

// At most this many queries of one client are on the way at once: a polite
// number for one customer, and the number of connections Qt opens to one
// host anyway.
inline constexpr int maxQueriesInFlight = 6;
// Once the service has answered over HTTP/2, the queries of a wait share one
// connection as streams, and this many go at once (Qt's own number of
// streams on one connection).
inline constexpr int maxStreamsInFlight = 100;

// Asked as each answer comes, with the index of its query: the queries that
// depend on that answer, sent in the same wait as soon as a place is free.
using ServiceFollowUps =
    std::function<QVector<ServiceQuery>(int index, const std::optional<QJsonArray>& answer)>;

// The queries sent together on owner's manager of service queries and waited
// for in one local event loop; each answer (in the order of the queries, then
// of the follow-ups as they were asked for) is what sendServiceQuery would
// have given for it, failures logged the same way.
QVector<std::optional<QJsonArray>> sendServiceQueries(QObject* owner,
                                                      const QVector<ServiceQuery>& queries,
                                                      int maxInFlight = maxQueriesInFlight,
                                                      const ServiceFollowUps& followUps = {});

// The top-level array of an answer body; empty for anything else.
QJsonArray answerRows(const QByteArray& body);
// Element 0, or an empty object when there is none.
QJsonObject firstRow(const QJsonArray& rows);
// A column as text: a value that is not a JSON string (number, null, missing)
// reads as empty text.
QString columnText(const QJsonObject& row, const QString& column);

} // namespace zv
