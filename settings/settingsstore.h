#pragma once

#include <QSettings>

namespace zv {

// Makes every default-constructed QSettings of the process use the client's
// own store. Call it in main() before any settings handle exists, and in tests
// that exchange a store with the real client.
//
// On Windows the store stays the native registry. Elsewhere Qt's INI writer
// would rename the group "general" to "General" (it is reserved there), and
// every general/* key would be lost on the next start; so the client registers
// a plain UTF-8 INI format of its own that keeps keys and values exactly.
void installSettingsFormat();

// The format installSettingsFormat() made the default (NativeFormat on
// Windows); registers it on first use. Lets a test open a store file directly.
QSettings::Format settingsFormat();

} // namespace zv
