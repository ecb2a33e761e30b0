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

} // namespace zv
