#pragma once

#include <QProcess>
#include <QRect>
#include <QString>

class XvfbDisplay;

// A notification area on a private X display, so that the client's tray
// icon is really shown and its menu can be opened as a user opens it. Xvfb
// has none of its own; Debian's trayer is a small stand-alone one that embeds
// icons the way desktop panels do (the freedesktop.org system tray protocol).
class TrayHost
{
public:
    explicit TrayHost(const XvfbDisplay& display) : m_display(display) {}
    ~TrayHost();

    // Starts trayer along the top edge and waits until its panel is on screen.
    bool start();
    // Where the panel is now: it grows with every icon it embeds.
    QRect panelRect() const;

private:
    QString panelWindow() const;

    const XvfbDisplay& m_display;
    bool startOnce();
    QProcess m_process;
};

// The position and size of a window on the display (empty when unknown).
QRect windowRect(const XvfbDisplay& display, const QString& windowId);
