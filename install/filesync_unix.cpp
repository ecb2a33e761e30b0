#include <QtGlobal>
#ifndef Q_OS_WIN
#include "install/filesync.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace zv {

namespace {

bool syncOpened(const QString& path, int flags, bool dataOnly)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = (dataOnly ? ::fdatasync(fd) : ::fsync(fd)) == 0;
    ::close(fd);
    return synced;
}

} // namespace

bool syncFile(const QString& path)
{
    return syncOpened(path, O_RDONLY, true);
}

bool syncFolder(const QString& folder)
{
    return syncOpened(folder, O_RDONLY | O_DIRECTORY, false);
}

} // namespace zv
#endif
