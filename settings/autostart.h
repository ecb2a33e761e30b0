#pragma once

#include <QString>

// The entry that starts the client when the user logs on. On Windows it is the
// value "zelvinoraPA" under the Run key of the current user; elsewhere an XDG
// autostart file "zelvinoraPA.desktop". Either holds the full path of the
// running executable with the platform's native separators.
namespace zv {

// Writes (or refreshes, after the program was moved) the entry.
bool writeAutostartEntry();
// Removes the entry; true when it is gone afterwards (also when it never was).
bool removeAutostartEntry();
bool autostartEntryExists();
// The executable path the entry starts; empty when there is none.
QString autostartEntryValue();
// At start: writes the entry again when the stored setting wants it and it is
// missing (an uninstall removed it, a cleaning tool took it). True when the
// entry is as the setting wants; an unwanted entry is left to the general page.
bool restoreAutostartEntry(bool wanted);

} // namespace zv
