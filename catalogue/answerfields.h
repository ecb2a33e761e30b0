#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The service writes its dates as "yyyy-MM-dd" text, optionally followed by
// " HH:mm:ss". The client reads them by character position, not by parsing:
// a part that is missing or not a number reads as 0, which makes the date
// invalid instead of guessing.
namespace zv::answer {

// Characters [position, position + length) as a base-10 number, 0 otherwise.
int numberAt(const QString& text, int position, int length);

QDate dateAt(const QString& text);

enum class Seconds { Read, Ignore };
// Date and time of day at the usual positions, milliseconds 0, local time.
QDateTime dateTimeAt(const QString& text, Seconds seconds);

// A subscription date as the panel shows it: "dd.MM.yyyy", or empty text
// when the value holds no valid date.
QString displayDate(const QString& text);

} // namespace zv::answer
