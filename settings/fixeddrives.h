#pragma once

#include <QStringList>
#include <QtGlobal>

namespace zv {

// The roots searched for WinRIK folders, each ending in "/", in a stable order
// without repeats: on Windows "C:/" and the other fixed drives from A to Z; on
// other systems the mount points of local fixed disks, then the drive folders
// of the user's Wine prefix, where WinRIK lives there.
QStringList fixedDriveRoots();

#ifdef Q_OS_WIN
// The roots ("C:\\") of all drives of one Windows drive type (3 = fixed), A to
// Z; empty for a type above 6.
QStringList getDrives(unsigned type);
#endif

} // namespace zv
