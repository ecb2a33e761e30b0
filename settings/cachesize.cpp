#include "settings/cachesize.h"

#include "service/logging.h"

#include <QDir>
#include <QFileInfo>

namespace zv {
namespace {

bool isUsableFolderPath(const QString& folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder);
}

} // namespace

qint64 folderSize(const QString& folder)
{
    if (!isUsableFolderPath(folder))
        return 0;
    const QDir dir(folder);
    // Hidden and system entries take room in the cache as well and are removed
    // with it, so they count.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot |
                              QDir::Hidden | QDir::System,
                          QDir::Name);
    qint64 total = 0;
    for (const QFileInfo& entry : entries) {
        if (entry.isDir())
            total += folderSize(entry.absoluteFilePath());
        else
            total += entry.size();
    }
    return total;
}

QString byteCountText(qint64 bytes)
{
    constexpr qint64 kilo = 1024;
    constexpr qint64 mega = kilo * 1024;
    constexpr qint64 giga = mega * 1024;
    if (bytes < kilo)
        return QString::number(bytes) + QStringLiteral(" B");
    if (bytes < mega)
        return QString::number(double(bytes) / kilo, 'g', 3) + QStringLiteral(" KB");
    if (bytes < giga)
        return QString::number(double(bytes) / mega, 'g', 3) + QStringLiteral(" MB");
    return QString::number(double(bytes) / giga, 'g', 3) + QStringLiteral(" GB");
}

QString cacheSizeLabelText(qint64 bytes)
{
    return QStringLiteral("Размер кэша: ") + byteCountText(bytes);
}

bool removeFolderTree(const QString& folder)
{
    if (!isUsableFolderPath(folder)) {
        ZV_ERROR() << "removeFolderTree: refusing to delete the folder \"" << folder << "\"";
        return false;
    }
    QDir dir(folder);
    // Without its final "/": a file where the folder belongs must count as left.
    return dir.removeRecursively() && !QFileInfo::exists(QDir::cleanPath(folder));
}

} // namespace zv
