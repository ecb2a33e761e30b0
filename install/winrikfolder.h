#pragma once

#include "install/dbfsource.h"

#include <QString>

// Where the client finds WinRIK's data below the WinRIK folder (the setting
// rik/path). Paths come back with the platform's separators.
namespace zv::winrik {

// The table of installed normative bases in the "sm_r" source.
inline const QString instalTable = QStringLiteral("INSTAL");
// The connection name both sources carry in log lines.
inline const QString connectionName = QStringLiteral("dbfBase");

// rikFolder + "/" + relative, cleaned, with native separators.
QString pathBelow(const QString& rikFolder, const QString& relative);

// <rik>/sm_r: the data source of INSTAL.
QString instalFolder(const QString& rikFolder);
// <rik>/sm_r/var: the data source of the endings tables and the folder the
// records' own files are unpacked into.
QString endingsFolder(const QString& rikFolder);
// type + "_all": the endings table of one table type.
QString endingsTable(const QString& type);
// <rik>/sm_r/var/<type>_<number>.dbf (number in decimal): one endings
// record's own file.
QString endingsRecordFile(const QString& rikFolder, const QString& type, int number);

// The INSTAL source: rows marked deleted are not seen.
DbfDataSource instalSource(const QString& rikFolder);
// The endings source: WinRIK opens it showing rows marked deleted like any
// other row, and so do we.
DbfDataSource endingsSource(const QString& rikFolder);

} // namespace zv::winrik
