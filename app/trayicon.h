#pragma once

class QSystemTrayIcon;

// The process has exactly one tray icon. The main window creates it; the
// catalogue changes its image after every build, so it is reachable here
// rather than through the window.
namespace zv {

QSystemTrayIcon* trayIcon();
void setTrayIcon(QSystemTrayIcon* icon);

// Icons of the client compiled into it.
inline constexpr const char* normalIconPath = ":/zelvinoraPA.ico";

} // namespace zv
