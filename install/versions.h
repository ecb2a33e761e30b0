#pragma once

#include <QMap>
#include <QString>

namespace zv {

// A program version: "Version" (major.minor), "Year" (two digits), "Month"
// and "Day". A missing key counts as 0.
using VersionMap = QMap<QString, float>;

// The version of the WinRIK installed in rikFolder, read from the first line
// of UTILS/Doc/LastChange.rtf holding "d.dddddd" (major.minor.YYMMDD). A file
// that cannot be read gives four zeros (logged in "Error"); a file without
// such a line gives an empty map.
VersionMap installedRikVersion(const QString& rikFolder);
// The same reading over text already in memory, line by line.
VersionMap rikVersionFromLines(const QString& text);

// A version text "major.minor.YYMMDD" as a map: "Version" is the text before
// the last point, the date the last six characters.
VersionMap versionOfText(const QString& text);
// This client's version: versionOfText(QCoreApplication::applicationVersion()).
VersionMap ownVersion();

// Whether current is newer than installed: "Version" first (compared by its
// hundredths, cut to whole numbers), then "Year", "Month", "Day" cut to whole
// numbers. Equal versions are not newer.
bool isNewVersion(const VersionMap& installed, const VersionMap& current);

} // namespace zv
