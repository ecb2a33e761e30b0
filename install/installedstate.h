#pragma once

#include "install/datatypes.h"
#include "install/winrikrecords.h"

#include <QDateTime>
#include <QMap>
#include <QString>

// Whether an offered item is newer than what the local WinRIK and Гранд-Смета
// folders hold, answered from the files alone. "New" also means "absent".
namespace zv {

// An index set. Гранд-Смета: new when its folder below grandFolder does not
// exist. WinRIK: new when its index file below rikFolder is missing or was
// last modified before lastChange (an equal time is not new).
bool isNewIndexSet(const QString& rikFolder, const QString& grandFolder, const QString& nb,
                   const QString& dir, int year, int kv, const QDateTime& lastChange,
                   DataTypes type = DataTypes::Rik);

// The installed normative bases, with what the caller must show when WinRIK's
// INSTAL table could not be reached.
struct InstalledBaseList
{
    QMap<QString, NORMBASE> bases; // key: NORMBASE::baz
    bool accessFailed = false;     // the "sm_r" source did not open
    QString warningTitle;          // for a warning box with a single OK button
    QString warningText;
};

// The rows of INSTAL with VID 'b', each completed from its base's nb.ini
// (version) and dealer.ini (НР и СП date); a later row with the same base id
// (compared lower-cased) replaces an earlier one. Empty for Гранд-Смета.
InstalledBaseList installedBaseList(const QString& rikFolder, DataTypes type = DataTypes::Rik);

} // namespace zv
