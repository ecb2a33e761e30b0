#include "app/restarthandover.h"

#include "service/logging.h"

#include <QDeadlineTimer>
#include <QThread>

namespace zv {

QStringList restartArguments(qint64 ownPid)
{
    return {restartedAfterOption, QString::number(ownPid)};
}

qint64 restartedAfterPid(const QStringList& arguments)
{
    const int at = arguments.indexOf(restartedAfterOption);
    if (at < 0 || at + 1 >= arguments.size())
        return -1;
    bool ok = false;
    const qint64 pid = arguments.at(at + 1).toLongLong(&ok);
    return ok && pid > 0 ? pid : -1;
}

bool waitForRestartedCopy(const QStringList& arguments, int timeoutMs)
{
    const qint64 pid = restartedAfterPid(arguments);
    if (pid < 0)
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    while (!processHasEnded(pid)) {
        if (deadline.hasExpired()) {
            ZV_WARNING() << "restart: the previous copy (" << pid << ") is still running";
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

} // namespace zv
