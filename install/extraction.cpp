#include "install/extraction.h"

#include "service/logging.h"

#include <QFileInfo>

namespace zv {

namespace {

// SIGKILL or TerminateProcess end a process at once; this only bounds the
// wait for the system to report it.
constexpr int stoppedWaitMs = 30000;

// The log names the program the way an operator would look for it: the
// current folder as the environment tells it, then the program's name.
QString programInLog(const SevenZipRun& run)
{
    return QString::fromLocal8Bit(qgetenv("PWD")) + QLatin1Char('/') +
           QFileInfo(run.program).fileName() + QLatin1Char('.');
}

bool startProgram(QProcess& process, const QStringList& arguments, const SevenZipRun& run)
{
    prepareSevenZipRun(process);
    process.start(run.program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(run.startLimitMs)) {
        ZV_ERROR() << "Start error: " << programInLog(run);
        // A start that is merely slow must not turn into a run nobody waits for.
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(stoppedWaitMs);
        }
        return false;
    }
    ZV_INFO() << "Started: " << programInLog(run);
    return true;
}

bool waitForEnd(QProcess& process, const SevenZipRun& run)
{
    if (process.waitForFinished(run.finishLimitMs))
        return true;
    ZV_ERROR() << "Finished error: " << programInLog(run);
    process.kill();
    if (!process.waitForFinished(stoppedWaitMs))
        ZV_ERROR() << "Finished error: " << programInLog(run) << " It could not be stopped.";
    return false;
}

// 7-Zip's exit codes: 0 done, 1 done with warnings, 2 fatal error, 7 bad
// command line, 8 out of memory, 255 stopped by the user.
bool endedWell(QProcess& process, const QString& operation, const QString& archive,
               const SevenZipRun& run)
{
    const QString said = QString::fromLocal8Bit(process.readAllStandardError()).simplified();
    if (process.exitStatus() == QProcess::CrashExit) {
        ZV_ERROR() << operation << " error: " << archive << ": " << QFileInfo(run.program).fileName()
                   << " crashed. " << said;
        return false;
    }
    const int code = process.exitCode();
    if (code >= 2) {
        ZV_ERROR() << operation << " error: " << archive << ": " << QFileInfo(run.program).fileName()
                   << " exit code " << code << ". " << said;
        return false;
    }
    if (code == 1)
        ZV_INFO() << operation << " warning: " << archive << ": " << said;
    return true;
}

} // namespace

bool extractArchive(QProcess& process, const QString& command, const QString& archive,
                    const QString& target, const SevenZipRun& run)
{
    if (command != QLatin1String("x") && command != QLatin1String("e")) {
        ZV_ERROR() << "extractArchive: unknown command " << command << " (" << archive << ")";
        return false;
    }
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const QStringList arguments{command, archive, QStringLiteral("-y"),
                                QStringLiteral("-o") + target};
    if (!startProgram(process, arguments, run) || !waitForEnd(process, run) ||
        !endedWell(process, QStringLiteral("Extract"), archive, run))
        return false;
    ZV_INFO() << "Extract completed: " << archive;
    return true;
}

bool listArchive(QProcess& process, const QString& archive, const SevenZipRun& run)
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!startProgram(process, {QStringLiteral("l"), archive}, run) || !waitForEnd(process, run))
        return false;
    // The whole listing in one line, after the end, when all of it is there.
    ZV_INFO() << QString::fromLatin1(process.readAllStandardOutput());
    return endedWell(process, QStringLiteral("List"), archive, run);
}

} // namespace zv
