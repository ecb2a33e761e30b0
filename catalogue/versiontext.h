#pragma once

#include <QMap>
#include <QString>

// Program versions as the service writes them: "major.minor.yymmdd", for
// example 2.1.240408. In the client a version is a map from "Version",
// "Year", "Month" and "Day" to a number; a missing key counts as 0.
namespace zv::versiontext {

// Reads only the pieces that are there: a text with fewer than three pieces
// gives 0 for what is missing rather than reading past its end.
QMap<QString, float> parse(const QString& text);

// The version as the client-update item shows it: 2.1.240408, or 3.251231
// for a whole major version.
QString display(const QMap<QString, float>& version);

} // namespace zv::versiontext
