#include "service/downloadcache.h"

#include "service/logging.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zv {

QString downloadCacheFolder()
{
    return QDir::fromNativeSeparators(
               QStandardPaths::writableLocation(QStandardPaths::TempLocation)) +
           QStringLiteral("/zelvinora");
}

QString cachePathOf(const QString& relativePath)
{
    return downloadCacheFolder() + QLatin1Char('/') + relativePath;
}

bool isSafeRelativePath(const QString& relativePath)
{
    const QString path = QDir::fromNativeSeparators(relativePath);
    if (path.isEmpty() || QDir::isAbsolutePath(path) || path.startsWith(QLatin1Char('/')) ||
        (path.size() > 1 && path.at(1) == QLatin1Char(':')))
        return false;
    const QString cleaned = QDir::cleanPath(path);
    return cleaned != QLatin1String("..") && !cleaned.startsWith(QLatin1String("../")) &&
           cleaned != QLatin1String(".");
}

#ifdef Q_OS_WIN
bool isTrustedCacheFile(const QString&)
{
    return true;
}
#else
namespace {
// lstat, so a symbolic link is seen as itself, not as what it points to.
bool isOwnPlainEntry(const QString& path)
{
    struct stat info;
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT;
    return !S_ISLNK(info.st_mode) && info.st_uid == geteuid();
}
} // namespace

bool isTrustedCacheFile(const QString& path)
{
    const QString temp = QDir::cleanPath(QDir::fromNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::TempLocation)));
    const QString cleaned = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (!cleaned.startsWith(temp + QLatin1Char('/')))
        return false;
    const QStringList pieces = cleaned.mid(temp.size() + 1).split(QLatin1Char('/'));
    QString walked = temp;
    for (const QString& piece : pieces) {
        walked += QLatin1Char('/') + piece;
        if (!isOwnPlainEntry(walked))
            return false;
    }
    return true;
}
#endif

bool isCachedFile(const QString& path)
{
    return QFileInfo(path).isFile() && isTrustedCacheFile(path);
}

bool makeCacheFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    bool created = QDir().mkpath(folder);
#ifndef Q_OS_WIN
    // Every folder from the cache root down is the user's alone.
    if (created) {
        const QString root = downloadCacheFolder();
        QString walked = folder;
        while (walked.startsWith(root) && walked.size() >= root.size()) {
            created = QFile::setPermissions(walked, QFileDevice::ReadOwner |
                                                        QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner) &&
                      created;
            if (walked == root)
                break;
            walked = walked.left(walked.lastIndexOf(QLatin1Char('/')));
        }
    }
#endif
    ZV_INFO() << "Create directory: " << folder << " /" << (created ? "true" : "false");
    return created;
}

} // namespace zv
