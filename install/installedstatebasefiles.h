#pragma once

#include "install/winrikrecords.h"

#include <QDateTime>
#include <QString>

// The files of one installed normative base that tell what the client
// installed into it: nb.ini (version and title) and dealer.ini (the date of
// the НР и СП last installed).
namespace zv {

// A base folder as WinRIK stores it (INSTAL.DIR, with "\" on every
// platform) turned into a path to open here: "\" becomes "/" where that is
// the separator, and a relative folder is taken below rikFolder (when given).
QString baseFolderOnDisk(const QString& storedDir, const QString& rikFolder = QString());

// The "Number" of the "[Version]" group of dir + "nb.ini" (a separator is
// put in between when dir lacks one): the line's text after its first seven
// characters ("Number="), as a number; 0 when it is not one, when the group
// has no such line, or when the file cannot be read (logged in "Error").
float nbIniVersion(const QString& dir);

// The "Name" of the "[Version]" group of an nb.ini file, each byte as the
// character of the same code, the way Qt reads ini files; empty when absent
// or unreadable.
QString nbIniName(const QString& nbIniPath);

// The "nrspDate" of the base's dealer.ini ("yyyy-MM-dd HH:mm", local time);
// 0001-01-01 00:00 when the file or the key is absent. A base whose dir is
// empty gets its composed folder stored into dir first.
QDateTime dealerNrspDate(NORMBASE& base, const QString& rikFolder = QString());

// The text dealer.ini holds for a time, and back: "yyyy-MM-dd HH:mm", local.
QString nrspDateText(const QDateTime& time);
QDateTime nrspDateFromText(const QString& text);

} // namespace zv
