// The XDG autostart file that plays the part of the Windows Run value.
#include <QtGlobal>
#ifndef Q_OS_WIN
#include "settings/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace zv {
namespace {

QString autostartFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return configHome + QStringLiteral("/autostart");
    return QDir::homePath() + QStringLiteral("/.config/autostart");
}

QString entryPath()
{
    return autostartFolder() + QStringLiteral("/zelvinoraPA.desktop");
}

// The path goes into Exec as one quoted argument: inside the quotes ", `, $
// and \ are escaped with a backslash, and, the value being a desktop-entry
// string, every backslash is doubled once more; "%" starts a field code.
QString execValue(const QString& path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$'))
            quoted += QStringLiteral("\\\\") + c;
        else if (c == QLatin1Char('\\'))
            quoted += QStringLiteral("\\\\\\\\");
        else if (c == QLatin1Char('%'))
            quoted += QStringLiteral("%%");
        else if (c == QLatin1Char('\n'))
            quoted += QStringLiteral("\\n");
        else
            quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Reverse of execValue for a value it wrote; an unquoted value is taken whole.
QString pathOfExec(const QString& value)
{
    // String-level escapes first.
    QString text;
    for (int i = 0; i < value.size(); ++i) {
        if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value.at(++i);
            text += next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                    : next == QLatin1Char('s') ? QChar(QLatin1Char(' '))
                                               : next;
        } else {
            text += value.at(i);
        }
    }
    if (!(text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))))
        return text;
    QString path;
    for (int i = 1; i < text.size() - 1; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size() - 1)
            path += text.at(++i);
        else if (c == QLatin1Char('%') && i + 1 < text.size() - 1 && text.at(i + 1) == c)
            path += text.at(++i);
        else
            path += c;
    }
    return path;
}

} // namespace

bool writeAutostartEntry()
{
    if (!QDir().mkpath(autostartFolder()))
        return false;
    const QString executable = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=") +
                         QCoreApplication::applicationName() + QStringLiteral("\nExec=") +
                         execValue(executable) +
                         QStringLiteral("\nTerminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n");
    file.write(text.toUtf8());
    return file.commit();
}

bool removeAutostartEntry()
{
    QFile file(entryPath());
    return !file.exists() || file.remove();
}

bool autostartEntryExists()
{
    return QFile::exists(entryPath());
}

QString autostartEntryValue()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec=")))
            return pathOfExec(line.mid(5));
    }
    return QString();
}

} // namespace zv
#endif
