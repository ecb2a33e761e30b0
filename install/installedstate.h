#pragma once

#include "install/datatypes.h"
#include "install/winrikrecords.h"

#include <QDateTime>
#include <QMap>
#include <QString>

// What is installed in the WinRIK and Гранд-Смета folders, decided from the
// local files alone. Every check answers true for "the offered item is new".
namespace zv {

// An index set: for WinRIK its file (see indexpaths.h) is missing or older
// than lastChange (equal times are not new); for Гранд-Смета its folder is
// missing. nb is compared lower-cased.
bool isNewIndexSet(const QString& rikFolder, const QString& grandFolder, const QString& nb,
                   const QString& dir, int year, int kv, const QDateTime& lastChange,
                   DataTypes type = DataTypes::Rik);

// An offered endings record. The endings source that does not open answers
// false (logged: nothing is offered as new); a table that cannot be queried
// answers true; no row with the record's NUM answers true; otherwise whether
// the record's own file is missing or older than var.lastChange.
bool isNewEndingsRecord(const QString& rikFolder, const VAR& var,
                        DataTypes type = DataTypes::Rik);

// The installed normative bases, keyed by BAZ_ lower-cased (a later row
// replaces an earlier one with the same key).
struct InstalledBaseList
{
    QMap<QString, NORMBASE> bases;
    // The INSTAL source did not open: the caller shows a warning box with
    // this title and text (and the single OK button); bases is empty.
    bool accessFailed = false;
    QString warningTitle;
    QString warningText;
};
InstalledBaseList installedBaseList(const QString& rikFolder, DataTypes type = DataTypes::Rik);

// "nrspDate" of base.dir + "/dealer.ini" ("yyyy-MM-dd HH:mm", local time);
// 0001-01-01 00:00 when absent. Composes base.dir first when it is empty.
QDateTime dealerNrspDate(NORMBASE& base);
// The same reading of the text of "nrspDate".
QDateTime nrspDateOfText(const QString& text);

// "Number" in the group "[Version]" of dir + "nb.ini" (dir ends with a
// separator; one is added when it does not); 0 when the file cannot be read
// (logged in "Error") or holds no such line.
float nbIniVersion(const QString& dir);
// The same reading over the lines of an nb.ini already in memory.
float nbIniVersionFromText(const QString& text);

// A folder as WinRIK stores it in INSTAL.DIR ("\" separators) turned into a
// path this platform opens ("\" becomes "/" where "/" is the separator).
QString localPathOfWinRikDir(const QString& dir);

} // namespace zv
