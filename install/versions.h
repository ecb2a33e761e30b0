#pragma once

#include <QMap>
#include <QString>

// Program versions as the catalogue compares them.
namespace zv {

// "Version" (major.minor as a number), "Year" (two digits, 24 for 2024),
// "Month" and "Day". A missing key counts as 0.
using VersionMap = QMap<QString, float>;

// The version written as major.minor.YYMMDD (one digit each for major and
// minor) somewhere in a line: the first "d.dddddd" with two characters before
// it. An empty map when no line holds one.
VersionMap versionInLines(const QStringList& lines);
// The installed WinRIK's version, from rikFolder/UTILS/Doc/LastChange.rtf.
// A file that cannot be read gives all four keys 0 (logged in "Error").
VersionMap installedRikVersion(const QString& rikFolder);

// A version text of the form major.minor.YYMMDD: "Version" is the text before
// its last point, "Year", "Month" and "Day" its last six characters in pairs.
VersionMap versionFromText(const QString& versionText);
// This client's version, from the application version set at start-up.
VersionMap ownVersion();

// Whether current is newer than installed: "Version" first (compared to two
// decimals), then "Year", "Month" and "Day" as whole numbers.
bool isNewVersion(const VersionMap& installed, const VersionMap& current);

} // namespace zv
