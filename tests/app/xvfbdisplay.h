#pragma once

#include <QMap>
#include <QProcess>
#include <QString>

// A private X server for tests that need a real display (the client's window,
// its message boxes, the tray). Picks a free display number by itself.
class XvfbDisplay
{
public:
    ~XvfbDisplay();

    bool start();
    // e.g. ":93"
    QString name() const { return m_name; }

    // Runs xdotool on this display; false when it failed or did not finish
    // within timeoutMs. Its standard output goes to *output.
    bool xdotool(const QStringList& arguments, QString* output = nullptr,
                 int timeoutMs = 20000) const;
    // Titles of the visible windows of a process, by window id.
    QMap<QString, QString> windowsOf(qint64 pid) const;
    // Waits until the process shows a window with exactly this title; its id,
    // or empty when none came within timeoutMs or the process ended.
    QString waitForWindow(QProcess& process, const QString& title, int timeoutMs = 30000) const;
    // Gives the window the keyboard focus and presses Return in it.
    bool pressReturnIn(const QString& windowId) const;

private:
    QProcess m_server;
    QString m_name;
};
