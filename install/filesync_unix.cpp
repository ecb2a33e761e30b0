#include <QtGlobal>
#ifndef Q_OS_WIN
#include "install/filesync.h"

#include <QFile>

#include <cerrno>

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
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

} // namespace

bool syncFile(const QString& path)
{
    return syncOpened(path, O_RDONLY, true);
}

bool syncFolder(const QString& folder)
{
    // Some file systems (network shares among them) cannot sync a folder and
    // say so with EINVAL; they offer nothing more to wait for.
    return syncOpened(folder, O_RDONLY | O_DIRECTORY, false) || errno == EINVAL;
}

} // namespace zv
#endif
