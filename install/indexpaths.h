#pragma once

#include <QString>

// Where an index set offered by the service lies once it is installed.
namespace zv::indexpaths {

// The folder of the regional indices of the dealer's own issue, below the
// WinRIK folder.
inline const QString regionalPrefix =
    QStringLiteral("IND/Государственные/Минстрой (РИМ) Зелвинора/");

// The year as it enters a file name: the number passed, in decimal, with at
// least two digits (WinRIK's callers pass the year's last two digits, so 2005
// is "05"; a full year passes through as "2024").
QString yearText(int year);
// Last month of the quarter as two digits: "03", "06", "09", "12".
QString lastMonthOfQuarter(int kv);
// First month of the quarter as two digits: "01", "04", "07", "10".
QString firstMonthOfQuarter(int kv);

// The index file below the WinRIK folder, chosen by nb (compared lower-cased)
// with "/" separators. Only a key outside the fixed table uses dir.
QString rikIndexSubPath(const QString& nb, const QString& dir, int year, int kv);
// rikFolder + "/" + rikIndexSubPath(...).
QString rikIndexFile(const QString& rikFolder, const QString& nb, const QString& dir, int year,
                     int kv);
// The folder of a Гранд-Смета index set: grandFolder + "/" + dir + Y + "_" + K.
QString grandIndexFolder(const QString& grandFolder, const QString& dir, int year, int kv);

} // namespace zv::indexpaths
