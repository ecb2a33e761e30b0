#include <QtGlobal>
#ifdef Q_OS_WIN
#include "install/filesync.h"

#include <QDir>

#include <windows.h>

namespace zv {

namespace {

HANDLE openForFlush(const QString& path, DWORD flags)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    return CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, flags, nullptr);
}

} // namespace

bool syncFile(const QString& path)
{
    // FlushFileBuffers writes out everything the system holds for the file,
    // whichever handle wrote it.
    const HANDLE file = openForFlush(path, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed;
}

bool syncFolder(const QString& folder)
{
    // NTFS keeps renames and new entries in its own log, which it writes
    // before the data that depends on them; flushing the folder only hurries
    // that. A volume that refuses a folder handle for writing (FAT, a network
    // share) offers nothing more to wait for.
    const HANDLE handle = openForFlush(folder, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE)
        return true;
    FlushFileBuffers(handle);
    CloseHandle(handle);
    return true;
}

} // namespace zv
#endif
