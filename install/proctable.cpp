// The process table of /proc, where tasklist does not exist.
#include "install/processcheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zv {
namespace {

QString firstLineOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readLine()).trimmed();
}

// The state letter follows the command name in brackets, which may itself
// hold brackets and blanks, so it is found after the last ")".
bool hasEnded(const QString& processFolder)
{
    const QString stat = firstLineOf(processFolder + QStringLiteral("/stat"));
    const int close = stat.lastIndexOf(QLatin1Char(')'));
    if (close < 0 || close + 2 >= stat.size())
        return false;
    const QChar state = stat.at(close + 2);
    return state == QLatin1Char('Z') || state == QLatin1Char('X');
}

QString executableName(const QString& processFolder)
{
    QString target = QFile::symLinkTarget(processFolder + QStringLiteral("/exe"));
    // A running program whose file was replaced (an update) keeps its name.
    static const QString deleted = QStringLiteral(" (deleted)");
    if (target.endsWith(deleted))
        target.chop(deleted.size());
    return target.isEmpty() ? QString() : QFileInfo(target).fileName();
}

} // namespace

#ifndef Q_OS_WIN
bool processHasEnded(qint64 pid)
{
    const QString folder = QStringLiteral("/proc/%1").arg(pid);
    return !QFileInfo(folder).isDir() || hasEnded(folder);
}
#endif

bool isProcessRunningIn(const QString& procRoot, const QString& imageName, qint64 excludedPid,
                        qint64 ownerId)
{
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid == excludedPid)
            continue;
        const QString folder = procRoot + QLatin1Char('/') + entry;
        // A process's folder belongs to the user the process runs as.
        if (ownerId != -1 && QFileInfo(folder).ownerId() != uint(ownerId))
            continue;
        const bool matches =
            processNameMatches(firstLineOf(folder + QStringLiteral("/comm")), imageName) ||
            processNameMatches(executableName(folder), imageName);
        if (matches && !hasEnded(folder))
            return true;
    }
    return false;
}

} // namespace zv
