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
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp"), QStringLiteral("-noreset")});
    while (!m_server.canReadLine() && m_server.waitForReadyRead(20000)) {
    }
    m_name = QLatin1Char(':') + QString::fromLatin1(m_server.readLine()).trimmed();
    return m_name.size() > 1;
}

bool XvfbDisplay::xdotool(const QStringList& arguments, QString* output, int timeoutMs) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
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
    const QDeadlineTimer deadline(timeoutMs);
    do {
        const QString id = windowsOf(process.processId()).key(title);
        if (!id.isEmpty())
            return id;
        // Also notices the process's end, which a plain sleep would not.
    } while (!process.waitForFinished(100) && process.state() == QProcess::Running &&
             !deadline.hasExpired());
    return QString();
}

bool XvfbDisplay::pressReturnIn(const QString& windowId) const
{
    // No window manager runs here, so the focus is set directly.
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowId,
                    QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                    QStringLiteral("Return")});
}
