#include <QtGlobal>
#ifdef Q_OS_WIN
#include "install/processcheck.h"
#include "install/processsnapshot.h"
#include "install/tasklist.h"

#include <QCoreApplication>
#include <QProcess>

#include <windows.h>

namespace zv {

bool isProcessRunning(const QString& imageName)
{
    QProcess lister;
    lister.setProcessChannelMode(QProcess::SeparateChannels);
    lister.start(QStringLiteral("tasklist"),
                 tasklist::arguments(imageName, QCoreApplication::applicationPid()),
                 QIODevice::ReadWrite);
    if (!lister.waitForStarted(tasklist::startTimeoutMs))
        return false;
    lister.closeWriteChannel();
    if (!lister.waitForFinished(tasklist::finishTimeoutMs)) {
        lister.kill();
        lister.waitForFinished();
        return false;
    }
    const QByteArray output = lister.readAllStandardOutput();
    if (output.isEmpty()) {
        const qint64 excluded = imageName == clientImageName ? QCoreApplication::applicationPid() : -1;
        return isProcessInSnapshot(imageName, excluded);
    }
    return tasklist::reportsProcess(output);
}

bool processHasEnded(qint64 pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

} // namespace zv
#endif
