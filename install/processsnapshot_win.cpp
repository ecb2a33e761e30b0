#include <QtGlobal>
#ifdef Q_OS_WIN
#include "install/processsnapshot.h"

#include "service/logging.h"

#include <windows.h>

#include <tlhelp32.h>

namespace zv {

bool isProcessInSnapshot(const QString& imageName, qint64 excludedPid)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        ZV_ERROR() << "isProcessRunning: no process snapshot, error " << GetLastError();
        return false;
    }
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
        found = qint64(entry.th32ProcessID) != excludedPid &&
                QString::fromWCharArray(entry.szExeFile).compare(imageName, Qt::CaseInsensitive) == 0;
    }
    CloseHandle(snapshot);
    return found;
}

} // namespace zv
#endif
