#pragma once

#include "install/datatypes.h"

#include <QString>

// The follow-up work that makes an unpacked normative base or НР и СП
// visible to WinRIK.
namespace zv {

// Appends the row of a newly installed base to INSTAL in rikFolder/sm_r:
// VID 'b', NAIM the "Name" of its nb.ini, DIR the nb.ini's folder written
// the way WinRIK writes folders (every "/" as "\", ending in "\"), BAZ_ the
// part of code after its last "/", DOP 'G'. Values are stored as they stand,
// apostrophes included. False (logged) when the table cannot be written;
// always false for Гранд-Смета, which has no such table.
bool addInstalBase(const QString& rikFolder, const QString& code, const QString& nbIniPath,
                   DataTypes type = DataTypes::Rik);

// Sets "nrspDate" in baseFolder/dealer.ini to the last-modification time of
// the base's nrspcmnt.dbf (its name in any letter case), local time,
// "yyyy-MM-dd HH:mm". False (logged) when that file is missing or dealer.ini
// cannot be written.
bool stampNrspDate(const QString& baseFolder, const QString& archive);

} // namespace zv
