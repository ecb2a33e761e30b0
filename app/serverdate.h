#pragma once

#include <QByteArray>
#include <QDate>

// Reading the service's answer to the date query, and the start-up rule that
// compares that date with the computer's.
namespace zv {

// The body up to its first zero byte, as JSON; column "CURDATE()" of the
// first row in exactly the form yyyy-MM-dd. Anything else: an invalid date.
QDate serverDateFromAnswer(const QByteArray& body);

// At most one day apart; an invalid server date never agrees.
bool datesAgree(const QDate& serverDate, const QDate& localDate);

} // namespace zv
