#include <QtGlobal>
#ifndef Q_OS_WIN
#include "install/processcheck.h"

#include <QCoreApplication>

namespace zv {

bool isProcessRunning(const QString& imageName)
{
    const qint64 excluded = imageName == clientImageName ? QCoreApplication::applicationPid() : -1;
    return isProcessRunningIn(QStringLiteral("/proc"), imageName, excluded);
}

} // namespace zv
#endif
