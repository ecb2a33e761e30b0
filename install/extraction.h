#pragma once

#include "install/extractionprogram.h"

#include <QProcess>
#include <QString>

// Archives are unpacked by the 7-Zip command-line program, run as a child
// process and waited for without an event loop.
namespace zv {

// Which program runs and how long the client waits for it to start and to
// finish (tests shorten the limits and put in stand-in programs).
struct SevenZipRun
{
    QString program = sevenZipProgram();
    int startLimitMs = 30000;
    int finishLimitMs = 30000;
};

// command "x" unpacks with the archive's folders, "e" puts every file into
// target itself. Runs <program> <command> <archive> -y -o<target>. True when
// the program ended within the limit with exit code 0 or 1 (7-Zip's
// warnings); a later end is waited for after the program was stopped, so no
// unpacking goes on behind a false answer. Every failure is logged in
// "Error"; the archive is never touched.
bool extractArchive(QProcess& process, const QString& command, const QString& archive,
                    const QString& target, const SevenZipRun& run = SevenZipRun());

// <program> l <archive> with the output in the log ("Info"); the same rules.
bool listArchive(QProcess& process, const QString& archive, const SevenZipRun& run = SevenZipRun());

} // namespace zv
