#include "xvfbdisplay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>

XvfbDisplay::~XvfbDisplay()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }
}

bool XvfbDisplay::start()
{
    // Display numbers whose lock file or socket exists belong to someone else.
    for (int number = 90 + (QCoreApplication::applicationPid() % 50); number < 400; ++number) {
        const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(number);
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        if (QFile::exists(lock) || QFile::exists(socket))
            continue;
        m_name = QStringLiteral(":%1").arg(number);
        m_server.setProcessChannelMode(QProcess::ForwardedChannels);
        // Without -noreset the server resets whenever its last client leaves
        // (each xdotool call is one), and a client connecting just then is
        // turned away: "could not connect to display".
        m_server.start(QStringLiteral("Xvfb"),
                       {m_name, QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(10000))
            return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (m_server.state() == QProcess::NotRunning)
                break; // taken meanwhile: try the next number
            if (xdotool({QStringLiteral("getdisplaygeometry")}, nullptr, 2000))
                return true;
            QThread::msleep(100);
        }
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    return false;
}

bool XvfbDisplay::xdotool(const QStringList& arguments, QString* output, int timeoutMs) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForStarted(10000))
        return false;
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished(5000);
        return false;
    }
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QMap<QString, QString> XvfbDisplay::windowsOf(qint64 pid) const
{
    QMap<QString, QString> windows;
    QString ids;
    // xdotool answers non-zero when nothing matches.
    xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
             QString::number(pid)},
            &ids, 10000);
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QString title;
        if (xdotool({QStringLiteral("getwindowname"), id}, &title, 10000))
            windows.insert(id, title);
    }
    return windows;
}

QString XvfbDisplay::waitForWindow(QProcess& process, const QString& title, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        const QMap<QString, QString> windows = windowsOf(process.processId());
        for (auto it = windows.cbegin(); it != windows.cend(); ++it) {
            if (it.value() == title)
                return it.key();
        }
        // Also notices the process's end, which a plain sleep would not.
        if (process.waitForFinished(100))
            break;
    }
    return QString();
}

bool XvfbDisplay::pressReturnIn(const QString& windowId) const
{
    // No window manager runs here, so the focus is set directly.
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowId,
                    QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                    QStringLiteral("Return")});
}
