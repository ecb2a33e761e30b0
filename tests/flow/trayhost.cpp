#include "tests/flow/trayhost.h"

#include "tests/app/xvfbdisplay.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

TrayHost::~TrayHost()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

namespace {
QString errorLogPath()
{
    return QDir::tempPath() + QStringLiteral("/trayer-errors.log");
}
} // namespace

bool TrayHost::start()
{
    // On a busy machine trayer sometimes gives up at once (it meets the new
    // display before the display is ready for it); a later try then works.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOnce())
            return true;
        m_process.kill();
        m_process.waitForFinished(5000);
        QFile log(errorLogPath());
        log.open(QIODevice::ReadOnly);
        qWarning("trayer ended without its panel (attempt %d): %s", attempt + 1,
                 log.readAll().constData());
    }
    return false;
}

bool TrayHost::startOnce()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display.name());
    m_process.setProcessEnvironment(environment);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    // Kept in a file: a pipe nobody reads during the test could stall trayer.
    m_process.setStandardErrorFile(errorLogPath());
    m_process.start(QStringLiteral("trayer"),
                    {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                     QStringLiteral("right"), QStringLiteral("--widthtype"),
                     QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("24")});
    if (!m_process.waitForStarted(10000))
        return false;
    // The panel appears once trayer owns the tray selection.
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        if (!panelWindow().isEmpty())
            return true;
        m_process.waitForFinished(100);
    }
    return false;
}

QString TrayHost::panelWindow() const
{
    QString ids;
    m_display.xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                       QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                       QString::number(m_process.processId()), QStringLiteral("--name"),
                       QStringLiteral("^panel$")},
                      &ids, 10000);
    return ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0);
}

QRect TrayHost::panelRect() const
{
    const QString panel = panelWindow();
    return panel.isEmpty() ? QRect() : windowRect(m_display, panel);
}

QRect windowRect(const XvfbDisplay& display, const QString& windowId)
{
    QString shell;
    if (!display.xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), windowId},
                         &shell, 10000))
        return QRect();
    QMap<QString, int> values;
    for (const QString& line : shell.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int sign = line.indexOf(QLatin1Char('='));
        if (sign > 0)
            values.insert(line.left(sign), line.mid(sign + 1).toInt());
    }
    if (!values.contains(QStringLiteral("WIDTH")))
        return QRect();
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                 values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}
