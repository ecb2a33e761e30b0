#pragma once

#include <QByteArray>
#include <QSettings>

// The text of the client's settings file outside Windows: UTF-8 INI with one
// section per group ("[general]", "[network]", ...) and key=value lines.
// Values are written as their text (booleans true/false, numbers as digits)
// and read back as that text; readers convert, as they do with the registry.
// Only what would break a line is escaped: a backslash as \\, line breaks as
// \n and \r, and blanks at either end of a key or value as \s (space) or \t
// (tab); in keys also "=" as \= and a leading "[" as \[.
namespace zv {

QByteArray storeText(const QSettings::SettingsMap& map);
// False when the text holds a line that is neither blank, a section nor a
// key=value pair; the readable lines are kept in map all the same.
bool readStoreText(const QByteArray& text, QSettings::SettingsMap& map);

} // namespace zv
