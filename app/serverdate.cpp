#include "app/serverdate.h"

#include "service/serviceexchange.h"

#include <QRegularExpression>

#include <cstdlib>

namespace zv {

QDate serverDateFromAnswer(const QByteArray& body)
{
    const int zero = body.indexOf('\0');
    const QByteArray text = zero < 0 ? body : body.left(zero);
    const QString date = columnText(firstRow(answerRows(text)), QStringLiteral("CURDATE()"));
    // QDate's parser lets single-digit months and days through; the service
    // always sends two digits, so anything else is not its date.
    static const QRegularExpression exact(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!exact.match(date).hasMatch())
        return QDate();
    return QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
}

bool datesAgree(const QDate& serverDate, const QDate& localDate)
{
    return serverDate.isValid() && localDate.isValid() &&
           std::llabs(serverDate.daysTo(localDate)) <= 1;
}

} // namespace zv
