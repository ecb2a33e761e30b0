#include "install/extractionprogram.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
namespace zv {

// p7zip's 7za, found on the search path.
QString sevenZipProgram()
{
    return QStringLiteral("7za");
}

void prepareSevenZipRun(QProcess& process)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
}

} // namespace zv
#endif
