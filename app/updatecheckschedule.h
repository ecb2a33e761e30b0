#pragma once

#include <QDateTime>
#include <QString>

// When the running client looks at the catalogue again on its own: every
// general/checkupdatenumber hours ("h") or days ("d", general/hoursorday),
// counted from the last catalogue build.
namespace zv {

// since + number hours or days; an invalid time (never) when number is below
// 1, the unit is neither "h" nor "d", or since is invalid.
QDateTime nextUpdateCheck(const QDateTime& since, int number, const QString& hoursOrDay);

} // namespace zv
