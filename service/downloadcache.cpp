#include "service/downloadcache.h"

#include "service/downloadcache_platform.h"
#include "service/logging.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zv {

namespace detail {
QString temporaryFolder()
{
    return QDir::cleanPath(QDir::fromNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::TempLocation)));
}
} // namespace detail

QString downloadCacheFolder()
{
    return detail::temporaryFolder() + QStringLiteral("/zelvinora");
}

QString cachePathOf(const QString& relativePath)
{
    return downloadCacheFolder() + QLatin1Char('/') + relativePath;
}

bool isSafeRelativePath(const QString& relativePath)
{
    const QString path = QDir::fromNativeSeparators(relativePath);
    // A drive letter or a leading "/" names a place of its own on Windows
    // even where QDir on this platform would call it relative.
    if (path.isEmpty() || QDir::isAbsolutePath(path) || path.startsWith(QLatin1Char('/')) ||
        (path.size() > 1 && path.at(1) == QLatin1Char(':')))
        return false;
    const QString cleaned = QDir::cleanPath(path);
    return cleaned != QLatin1String("..") && !cleaned.startsWith(QLatin1String("../")) &&
           cleaned != QLatin1String(".");
}

bool isCachedFile(const QString& path)
{
    return QFileInfo(path).isFile() && isTrustedCacheFile(path);
}

namespace {
// Walks down from the temporary folder so every folder the cache adds below
// it is created by makeOwnFolder, never by a plain mkpath.
bool createFolderBelowTemporary(const QString& folder)
{
    const QString temp = detail::temporaryFolder();
    if (!QFileInfo(temp).isDir() && !QDir().mkpath(temp))
        return false;
    QString walked = temp;
    const QStringList pieces =
        folder.mid(temp.size() + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        walked += QLatin1Char('/') + piece;
        if (!QFileInfo(walked).isDir() && !detail::makeOwnFolder(walked))
            return false;
    }
    return true;
}
} // namespace

bool makeCacheFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString cleaned = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    const bool belowTemporary = cleaned.startsWith(detail::temporaryFolder() + QLatin1Char('/'));
    const bool created = belowTemporary ? createFolderBelowTemporary(cleaned)
                                        : QDir().mkpath(cleaned);
    ZV_INFO() << "Create directory: " << folder << " /" << (created ? "true" : "false");
    return created;
}

} // namespace zv
