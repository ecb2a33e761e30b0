#include "xvfbdisplay.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>

XvfbDisplay::~XvfbDisplay()
{
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
    m_server.waitForFinished(5000);
}

bool XvfbDisplay::start()
{
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Xvfb picks a free display number itself and prints it once it accepts
    // clients. Without -noreset it would reset whenever its last client
    // leaves (each xdotool call is one) and turn away one connecting just then.
    m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
    while (!m_server.canReadLine() && m_server.waitForReadyRead(20000)) {
    }
    m_name = ':' + QString::fromLatin1(m_server.readLine()).trimmed();
    return m_name.size() > 1;
}

bool XvfbDisplay::xdotool(const QStringList& arguments, QString* output, int timeoutMs) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_name);
    tool.setProcessEnvironment(environment);
    tool.start("xdotool", arguments);
    const bool finished = tool.waitForFinished(timeoutMs);
    if (!finished) {
        tool.kill();
        tool.waitForFinished(5000);
    }
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    return finished && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QMap<QString, QString> XvfbDisplay::windowsOf(qint64 pid) const
{
    QMap<QString, QString> windows;
    QString ids, title;
    // xdotool answers non-zero when nothing matches.
    xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)}, &ids, 10000);
    for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
        if (xdotool({"getwindowname", id}, &title, 10000))
            windows.insert(id, title);
    }
    return windows;
}

QString XvfbDisplay::waitForWindow(QProcess& process, const QString& title, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    QString id;
    // Waiting on the process also notices its end, which a plain sleep would not.
    while ((id = windowsOf(process.processId()).key(title)).isEmpty() && !process.waitForFinished(100) &&
           process.state() == QProcess::Running && !deadline.hasExpired()) {
    }
    return id;
}

bool XvfbDisplay::pressReturnIn(const QString& windowId) const
{
    // No window manager runs here, so the focus is set directly.
    return xdotool({"windowfocus", "--sync", windowId, "key", "--clearmodifiers", "Return"});
}
