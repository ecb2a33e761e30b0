#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How the Windows process lister "tasklist" is asked and how its answer is
// read. Kept apart from the Windows-only code that runs it, so the rules can
// be checked on every platform.
namespace zv::tasklist {

inline constexpr int startTimeoutMs = 30000;
inline constexpr int finishTimeoutMs = 30000;
// tasklist prints a one-line notice (shorter than this) when nothing matches,
// and a header plus one line per process otherwise; only the length is read.
inline constexpr int runningOutputLength = 158;

// "/FI" "IMAGENAME eq <name>", plus "/FI" "PID ne <own pid>" when asking for
// the client itself (the exact, case-sensitive name), so a single copy never
// finds itself.
QStringList arguments(const QString& imageName, qint64 ownPid);
bool reportsProcess(const QByteArray& output);

} // namespace zv::tasklist
