#pragma once

#include <QString>

// Is a program with the given Windows image name running on this computer?
// Asked at start-up (a second copy of the client, WinRIK) and again before
// an installation touches the WinRIK folder (WinRIK started since).
namespace zv {

// The image names are fixed: the client is looked for by the name it is
// installed under, whatever the running file happens to be called.
inline const QString clientImageName = QStringLiteral("zelvinorapa.exe");
inline const QString winrikImageName = QStringLiteral("winrik.exe");

// For clientImageName exactly, this process itself is left out. A lister
// that cannot be run answers false.
bool isProcessRunning(const QString& imageName);

// Outside Windows: a process named processName (its comm, or its executable's
// file name) counts as imageName when the two are equal without regard to
// letter case, or when it equals imageName without a trailing ".exe" (the
// Linux build is "zelvinorapa"; under Wine, WinRIK's process is "winrik.exe").
bool processNameMatches(const QString& processName, const QString& imageName);

// The /proc scan behind isProcessRunning outside Windows, with the process
// table's root and the one process id to leave out (-1: none) given, so the
// rule can be tried on a prepared folder. Entries that cannot be read and
// processes that have already ended (zombies) are skipped. With an owner
// given (not -1), only the processes of that user id count.
bool isProcessRunningIn(const QString& procRoot, const QString& imageName, qint64 excludedPid,
                        qint64 ownerId = -1);

// The start-up checks ask through this function. Tests of the window set a
// probe of their own so that copies of the client started by other tests on
// the same machine cannot end them; nullptr restores isProcessRunning.
using ProcessProbe = bool (*)(const QString& imageName);
void setProcessProbe(ProcessProbe probe);
bool probeProcess(const QString& imageName);

// True once the process has ended (or never existed).
bool processHasEnded(qint64 pid);

} // namespace zv
