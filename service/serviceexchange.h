#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

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
};

// Posts the statement's UTF-8 bytes to the API address on the given manager
// and waits for the answer in a local event loop: the GUI keeps repainting and
// taking input meanwhile, and the caller resumes when the reply has finished.
// There is no time-out of our own and redirects are not followed. While the
// reply is in flight it is also stored in *replySlot when one is given.
ExchangeResult postStatement(QNetworkAccessManager& manager, const QString& statement,
                             QNetworkReply** replySlot = nullptr);

// One exchange with the service on a manager of its own (owned by owner, no
// proxy). A failure is logged in "Error" as logPrefix + the error text and
// answers nullopt; an answer that is not a JSON array answers an empty array.
std::optional<QJsonArray> sendServiceQuery(QObject* owner, const QString& statement,
                                           const QString& logPrefix,
                                           QNetworkReply** replySlot = nullptr);

// The top-level array of an answer body; empty for anything else.
QJsonArray answerRows(const QByteArray& body);
// Element 0, or an empty object when there is none.
QJsonObject firstRow(const QJsonArray& rows);
// A column as text: a value that is not a JSON string (number, null, missing)
// reads as empty text.
QString columnText(const QJsonObject& row, const QString& column);

} // namespace zv
