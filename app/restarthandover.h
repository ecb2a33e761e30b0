#pragma once

#include "install/processcheck.h"

#include <QStringList>

// A restart starts the new copy before the old one has gone. The new copy's
// first start-up check looks for another running client, so it would find
// the old one and refuse itself, leaving the user with none. The old copy
// therefore names itself on the new copy's command line, and the new copy
// waits for it to end before its checks.
namespace zv {

inline const QString restartedAfterOption = QStringLiteral("--restarted-after");

// How long the new copy waits for the old one before going on regardless.
constexpr int restartHandoverTimeoutMs = 20000;

// The arguments the restarted copy is given.
QStringList restartArguments(qint64 ownPid);

// The process id named by restartArguments, or -1 when there is none.
qint64 restartedAfterPid(const QStringList& arguments);

// Waits, keeping no event loop, until the process named in the arguments has
// ended or timeoutMs passed. Answers whether nothing is left to wait for.
bool waitForRestartedCopy(const QStringList& arguments, int timeoutMs = restartHandoverTimeoutMs);

} // namespace zv
