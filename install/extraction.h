#pragma once

#include "install/archivecontents.h"
#include "install/extractionprogram.h"

#include <QProcess>
#include <QString>

#include <functional>

// Archives are tested, listed and unpacked by the 7-Zip command-line
// program, run as a child process. The client waits for it in a local event
// loop, so the window keeps repainting and answering while 7-Zip works.
namespace zv {

// Which program runs, how long the client waits for it to start, and how
// long a run may go without a sign of life (output or progress) before it
// is taken for hung and stopped. A run that keeps reporting progress is
// never stopped, however long a large archive takes. Tests shorten the
// limits and put in stand-in programs.
struct SevenZipRun
{
    QString program = sevenZipProgram();
    int startLimitMs = 30000;
    int stallLimitMs = 5 * 60 * 1000;
    // 7-Zip's percentage, each time it changes.
    std::function<void(int percent)> progress;
    // Asked a few times a second; true stops the run (the user's "Прервать").
    std::function<bool()> stopRequested;
};

// How a run ended, for the installer to tell the user why.
enum class SevenZipEnd { Done, NotStarted, Stalled, Stopped, Failed };

// command "x" unpacks with the archive's folders, "e" puts every file into
// target itself. Runs <program> <command> <archive> -y -o<target> -bsp1.
// True when the program ended with exit code 0 or 1 (7-Zip's warnings); a
// stopped run is waited for until it has ended, so no unpacking goes on
// behind a false answer. Every failure is logged in "Error"; the archive is
// never touched.
bool extractArchive(QProcess& process, const QString& command, const QString& archive,
                    const QString& target, const SevenZipRun& run = SevenZipRun(),
                    SevenZipEnd* end = nullptr);

// <program> t <archive>: reads every entry and checks it, writing nothing.
bool testArchive(QProcess& process, const QString& archive, const SevenZipRun& run = SevenZipRun(),
                 SevenZipEnd* end = nullptr);

// <program> l -slt <archive>: the whole output goes to the debug output, a
// one-line summary of it (listingSummary) to the log ("Info"); when contents
// is given, the listing is parsed into it. The same rules.
bool listArchive(QProcess& process, const QString& archive, const SevenZipRun& run = SevenZipRun(),
                 ArchiveContents* contents = nullptr);

} // namespace zv
