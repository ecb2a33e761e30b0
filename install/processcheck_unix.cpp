#include <QtGlobal>
#ifndef Q_OS_WIN
#include "install/processcheck.h"

#include <QCoreApplication>

#include <unistd.h>

namespace zv {

bool isProcessRunning(const QString& imageName)
{
    // Each account has a client of its own on a shared computer; WinRIK
    // counts whoever started it, since all accounts install into its folder.
    const bool ownClient = imageName == clientImageName;
    const qint64 excluded = ownClient ? QCoreApplication::applicationPid() : -1;
    return isProcessRunningIn(QStringLiteral("/proc"), imageName, excluded,
                              ownClient ? qint64(geteuid()) : -1);
}

} // namespace zv
#endif
