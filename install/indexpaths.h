#pragma once

#include <QString>

// Where an offered index set lives once it is installed.
namespace zv {

// The index file of a WinRIK index set below the WinRIK folder, chosen by the
// region key or base id nb (compared lower-cased). year enters the name as
// the decimal text of the number given, with at least two digits (the
// catalogue passes the year's last two digits: 2024 gives "24", 2005 "05";
// a full year 2024 gives "2024"); kv is the quarter, 1 to 4. dir, the
// sub-folder offered by the service, is used only for keys outside the table.
// "/" separators.
QString rikIndexSubPath(const QString& nb, const QString& dir, int year, int kv);
// rikFolder + "/" + rikIndexSubPath(...)
QString rikIndexFilePath(const QString& rikFolder, const QString& nb, const QString& dir,
                         int year, int kv);

// The folder of a Гранд-Смета index set: grandFolder + "/" + dir + year + "_" + kv.
QString grandIndexFolderPath(const QString& grandFolder, const QString& dir, int year, int kv);

} // namespace zv
