#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

#ifndef Q_OS_WIN

// How a system without drive letters names its fixed drives: the mount points
// of local disks, and the drive folders of the Wine prefix.
namespace zv {

struct MountedVolume
{
    QString rootPath;
    QByteArray fileSystemType;
    bool ready = false;
    bool removable = false;
};

// True for a ready, non-removable volume of a disk file system; "/" always
// counts when ready, whatever it is (an overlay in a container, for one).
// Pseudo, memory, network and optical file systems never count.
bool isFixedLocalVolume(const MountedVolume& volume);

// The mounted volumes as the system reports them.
QList<MountedVolume> mountedVolumes();

// The mount points of the fixed local volumes, sorted, each ending in "/".
QStringList fixedVolumeRoots(const QList<MountedVolume>& volumes);

// The folders behind the "<letter>:" entries of a Wine dosdevices folder,
// from a: to z:, each ending in "/", kept when onFixedVolume says they lie on
// a fixed local volume.
QStringList wineDriveRoots(const QString& dosdevicesFolder,
                           const std::function<bool(const QString&)>& onFixedVolume);

// The roots in order, each canonical folder once (Wine's z: is usually "/").
QStringList withoutRepeats(const QStringList& roots);

} // namespace zv

#endif
