#include "settings/fixeddrives.h"

#ifndef Q_OS_WIN

#include "settings/localvolumes.h"

#include <QDir>
#include <QStorageInfo>

namespace zv {

QStringList fixedDriveRoots()
{
    const QList<MountedVolume> volumes = mountedVolumes();
    QStringList roots = fixedVolumeRoots(volumes);

    const QStringList fixedMounts = roots;
    const auto onFixedVolume = [&fixedMounts](const QString& folder) {
        QString mount = QStorageInfo(folder).rootPath();
        if (!mount.endsWith(QLatin1Char('/')))
            mount += QLatin1Char('/');
        return fixedMounts.contains(mount);
    };
    roots += wineDriveRoots(QDir::homePath() + QStringLiteral("/.wine/dosdevices"), onFixedVolume);
    return withoutRepeats(roots);
}

} // namespace zv

#endif
