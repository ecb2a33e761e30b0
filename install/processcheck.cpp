#include "install/processcheck.h"

namespace zv {
namespace {
ProcessProbe& currentProbe()
{
    static ProcessProbe probe = nullptr;
    return probe;
}
} // namespace

bool processNameMatches(const QString& processName, const QString& imageName)
{
    if (processName.isEmpty())
        return false;
    if (processName.compare(imageName, Qt::CaseInsensitive) == 0)
        return true;
    static const QString exe = QStringLiteral(".exe");
    return imageName.endsWith(exe, Qt::CaseInsensitive) &&
           processName.compare(imageName.left(imageName.size() - exe.size()),
                               Qt::CaseInsensitive) == 0;
}

void setProcessProbe(ProcessProbe probe)
{
    currentProbe() = probe;
}

bool probeProcess(const QString& imageName)
{
    return currentProbe() ? currentProbe()(imageName) : isProcessRunning(imageName);
}

} // namespace zv
