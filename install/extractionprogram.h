#pragma once

#include <QProcess>
#include <QString>

namespace zv {

// The 7-Zip command-line program the client unpacks archives with: on
// Windows 7za.exe shipped beside the client, elsewhere the system's 7za.
QString sevenZipProgram();

// Gives a run what it needs from its environment: p7zip reads the names in
// an archive through the locale, and without a UTF-8 one Cyrillic folder
// names would arrive mangled.
void prepareSevenZipRun(QProcess& process);

} // namespace zv
