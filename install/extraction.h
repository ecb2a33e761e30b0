#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Archives are unpacked by the 7-Zip command-line program, run as a child
// process and waited for.
namespace zv {

// How long a run may take to start, and then to finish.
inline constexpr int sevenZipTimeLimitMs = 30000;

// The program to start: 7za.exe beside the client on Windows, 7za from the
// search path elsewhere.
QString sevenZipProgram();
// Gives the run what it needs from its environment: on systems whose 7-Zip
// reads file names through the locale, a UTF-8 one, so Cyrillic folder names
// in an archive arrive as they were packed.
void prepareSevenZipRun(QProcess& process);

// "x" (keep the archive's folders) or "e" (everything flat into target):
// {command, archive, "-y", "-o" + target}.
QStringList extractionArguments(const QString& command, const QString& archive,
                                const QString& target);
// {"l", archive}.
QStringList listingArguments(const QString& archive);

// Runs 7-Zip with extractionArguments. True only when it started, ended
// within the limit and answered exit code 0 or 1 (warnings). A run past the
// limit is ended and waited for before the answer; a crash or a code of 2 or
// more is logged in "Error" with the code.
bool extractArchive(QProcess& process, const QString& command, const QString& archive,
                    const QString& target, int timeLimitMs = sevenZipTimeLimitMs);
// Runs the listing with merged channels and logs what it printed in "Info";
// the same rules for the answer.
bool listArchive(QProcess& process, const QString& archive,
                 int timeLimitMs = sevenZipTimeLimitMs);

} // namespace zv
