#include "settings/localvolumes.h"

#ifndef Q_OS_WIN

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace zv {
namespace {

bool isDiskFileSystem(const QByteArray& type)
{
    static const QSet<QByteArray> disk = {"ext2",  "ext3",    "ext4",     "xfs",   "btrfs",
                                          "f2fs",  "jfs",     "reiserfs", "zfs",   "bcachefs",
                                          "vfat",  "fat",     "msdos",    "exfat", "ntfs",
                                          "ntfs3", "fuseblk", "hfsplus",  "apfs"};
    return disk.contains(type);
}

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

// The kernel marks the whole disk, not its partitions, as removable.
bool isRemovableDevice(const QByteArray& device)
{
    if (!device.startsWith("/dev/"))
        return false;
    const QString node = QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath();
    if (node.isEmpty())
        return false;
    const QString entry =
        QFileInfo(QStringLiteral("/sys/class/block/") + QFileInfo(node).fileName())
            .canonicalFilePath();
    if (entry.isEmpty())
        return false;
    for (const QString& folder : {entry, QFileInfo(entry).path()}) {
        QFile flag(folder + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
    }
    return false;
}

// udisks mounts sticks and cards there for the desktop user.
bool isDesktopMediaFolder(const QString& root)
{
    return root.startsWith(QLatin1String("/media/")) ||
           root.startsWith(QLatin1String("/run/media/"));
}

} // namespace

bool isFixedLocalVolume(const MountedVolume& volume)
{
    if (!volume.ready)
        return false;
    if (volume.rootPath == QLatin1String("/"))
        return true;
    return isDiskFileSystem(volume.fileSystemType) && !volume.removable;
}

QList<MountedVolume> mountedVolumes()
{
    QList<MountedVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        MountedVolume volume;
        volume.rootPath = storage.rootPath();
        volume.fileSystemType = storage.fileSystemType();
        volume.ready = storage.isValid() && storage.isReady();
        volume.removable =
            isDesktopMediaFolder(volume.rootPath) || isRemovableDevice(storage.device());
        volumes.append(volume);
    }
    return volumes;
}

QStringList fixedVolumeRoots(const QList<MountedVolume>& volumes)
{
    QStringList roots;
    for (const MountedVolume& volume : volumes) {
        if (isFixedLocalVolume(volume))
            roots.append(withSlash(volume.rootPath));
    }
    std::sort(roots.begin(), roots.end());
    roots.removeDuplicates();
    return roots;
}

QStringList wineDriveRoots(const QString& dosdevicesFolder,
                           const std::function<bool(const QString&)>& onFixedVolume)
{
    QStringList roots;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const QFileInfo drive(dosdevicesFolder + QLatin1Char('/') + QLatin1Char(letter) +
                              QLatin1Char(':'));
        const QString target = drive.canonicalFilePath();
        if (target.isEmpty() || !QFileInfo(target).isDir() || !onFixedVolume(target))
            continue;
        roots.append(withSlash(target));
    }
    return roots;
}

QStringList withoutRepeats(const QStringList& roots)
{
    QStringList kept;
    QSet<QString> seen;
    for (const QString& root : roots) {
        const QString canonical = QFileInfo(root).canonicalFilePath();
        const QString key = canonical.isEmpty() ? root : withSlash(canonical);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        kept.append(root);
    }
    return kept;
}

} // namespace zv

#endif
