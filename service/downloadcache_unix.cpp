#include <QtGlobal>
#ifndef Q_OS_WIN
#include "service/downloadcache.h"
#include "service/downloadcache_platform.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {
// lstat, so a symbolic link is seen as itself, not as what it points to.
bool isOwnPlainEntry(const QString& path)
{
    struct stat info;
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        // Nothing there (or a file where a folder would be): nothing planted.
        return errno == ENOENT || errno == ENOTDIR;
    return !S_ISLNK(info.st_mode) && info.st_uid == geteuid();
}
} // namespace

bool isTrustedCacheFile(const QString& path)
{
    const QString temp = detail::temporaryFolder();
    const QString cleaned = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (!cleaned.startsWith(temp + QLatin1Char('/')))
        return false;
    QString walked = temp;
    const QStringList pieces = cleaned.mid(temp.size() + 1).split(QLatin1Char('/'));
    for (const QString& piece : pieces) {
        walked += QLatin1Char('/') + piece;
        if (!isOwnPlainEntry(walked))
            return false;
    }
    return true;
}

namespace detail {
bool makeOwnFolder(const QString& folder)
{
    const QByteArray name = QFile::encodeName(folder);
    // Created owner-only rather than tightened afterwards, so no other account
    // can slip a file in between; chmod then undoes whatever the umask took.
    return mkdir(name.constData(), S_IRWXU) == 0 && chmod(name.constData(), S_IRWXU) == 0;
}
} // namespace detail

} // namespace zv
#endif
