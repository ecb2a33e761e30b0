#pragma once

#include <QString>

// Windows' own process list (the Toolhelp snapshot), asked when tasklist
// answers with nothing at all. A real tasklist always prints something (a
// table or a one-line notice), but Wine's prints nothing, and taking that
// silence for "not running" would let a second client, or an installation
// beside a running WinRIK, through.
namespace zv {

// A process whose image name equals imageName without regard to letter case,
// other than excludedPid (-1: none). False when no snapshot can be taken.
bool isProcessInSnapshot(const QString& imageName, qint64 excludedPid);

} // namespace zv
