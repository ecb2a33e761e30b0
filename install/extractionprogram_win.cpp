#include "install/extractionprogram.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QCoreApplication>

namespace zv {

// The client's own copy, not whatever 7za.exe the search path or the
// current folder would offer first.
QString sevenZipProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/7za.exe");
}

// 7za.exe takes the names in Unicode from the system; nothing to prepare.
void prepareSevenZipRun(QProcess&)
{
}

} // namespace zv
#endif
