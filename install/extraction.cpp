#include "install/extraction.h"

#include "service/logging.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

namespace zv {

namespace {

// SIGKILL or TerminateProcess end a process at once; this only bounds the
// wait for the system to report it.
constexpr int stoppedWaitMs = 30000;
constexpr int watchIntervalMs = 200;

// The log names the program the way an operator would look for it: the
// current folder as the environment tells it, then the program's name.
QString programInLog(const SevenZipRun& run)
{
    return QString::fromLocal8Bit(qgetenv("PWD")) + QLatin1Char('/') +
           QFileInfo(run.program).fileName() + QLatin1Char('.');
}

// With -bsp1 7-Zip rewrites its percentage in place with backspaces; the
// last figure in what arrived is the current one.
int lastPercentIn(const QByteArray& output)
{
    static const QRegularExpression percent(QStringLiteral("(\\d{1,3})%"));
    int found = -1;
    auto matches = percent.globalMatch(QString::fromLatin1(output));
    while (matches.hasNext())
        found = matches.next().captured(1).toInt();
    return found;
}

// 7-Zip says why it failed at the end of what it printed.
QString lastLinesOf(const QByteArray& output, int count)
{
    const QStringList lines = QString::fromUtf8(output).split(
        QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    return lines.mid(qMax(0, lines.size() - count)).join(QStringLiteral(" | "));
}

void stopNow(QProcess& process)
{
    process.kill();
    if (!process.waitForFinished(stoppedWaitMs))
        ZV_ERROR() << "7-Zip could not be stopped.";
}

// Runs the program in a local event loop until it ends, fails to start,
// stalls or is stopped. Standard output is collected when asked for.
SevenZipEnd runProgram(QProcess& process, const QStringList& arguments, const SevenZipRun& run,
                       QByteArray* output)
{
    prepareSevenZipRun(process);
    QEventLoop loop;
    QElapsedTimer sinceStart;
    QElapsedTimer sinceLife;
    bool started = false;
    bool startFailed = false;
    int lastPercent = -1;
    QObject::connect(&process, &QProcess::started, &loop, [&] {
        started = true;
        ZV_INFO() << "Started: " << programInLog(run);
    });
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop,
                     [&] { sinceLife.restart(); });
    QObject::connect(&process, &QProcess::errorOccurred, &loop,
                     [&](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             startFailed = true;
                             loop.quit();
                         }
                     });
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        const QByteArray chunk = process.readAllStandardOutput();
        sinceLife.restart();
        if (output)
            output->append(chunk);
        const int percent = lastPercentIn(chunk);
        if (percent >= 0 && percent != lastPercent && run.progress) {
            lastPercent = percent;
            run.progress(percent);
        }
    });
    SevenZipEnd end = SevenZipEnd::Done;
    QTimer watch;
    watch.setInterval(watchIntervalMs);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (!started && sinceStart.elapsed() > run.startLimitMs) {
            startFailed = true;
        } else if (run.stopRequested && run.stopRequested()) {
            end = SevenZipEnd::Stopped;
        } else if (started && sinceLife.elapsed() > run.stallLimitMs) {
            end = SevenZipEnd::Stalled;
        } else {
            return;
        }
        loop.quit();
    });
    sinceStart.start();
    sinceLife.start();
    process.start(run.program, arguments, QIODevice::ReadWrite);
    watch.start();
    if (process.state() != QProcess::NotRunning || !startFailed)
        loop.exec();
    watch.stop();
    process.disconnect(&loop);
    // Quitting the application ends every local event loop too: a run still
    // going then counts as stopped, never as done.
    if (!startFailed && end == SevenZipEnd::Done && process.state() != QProcess::NotRunning)
        end = SevenZipEnd::Stopped;
    if (startFailed) {
        ZV_ERROR() << "Start error: " << programInLog(run);
        // A start that is merely slow must not turn into a run nobody waits for.
        if (process.state() != QProcess::NotRunning)
            stopNow(process);
        return SevenZipEnd::NotStarted;
    }
    if (end != SevenZipEnd::Done) {
        ZV_ERROR() << "Finished error: " << programInLog(run)
                   << (end == SevenZipEnd::Stopped ? " Stopped." : " No progress for too long.");
        stopNow(process);
        return end;
    }
    if (output)
        output->append(process.readAllStandardOutput());
    return SevenZipEnd::Done;
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

bool runAndCheck(QProcess& process, const QStringList& arguments, const QString& operation,
                 const QString& archive, const SevenZipRun& run, SevenZipEnd* end,
                 QByteArray* output = nullptr)
{
    SevenZipEnd ended = runProgram(process, arguments, run, output);
    if (ended == SevenZipEnd::Done && !endedWell(process, operation, archive, run))
        ended = SevenZipEnd::Failed;
    if (end)
        *end = ended;
    return ended == SevenZipEnd::Done;
}

} // namespace

bool extractArchive(QProcess& process, const QString& command, const QString& archive,
                    const QString& target, const SevenZipRun& run, SevenZipEnd* end)
{
    if (command != QLatin1String("x") && command != QLatin1String("e")) {
        ZV_ERROR() << "extractArchive: unknown command " << command << " (" << archive << ")";
        if (end)
            *end = SevenZipEnd::Failed;
        return false;
    }
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const QStringList arguments{command, archive, QStringLiteral("-y"),
                                QStringLiteral("-o") + target, QStringLiteral("-bsp1")};
    if (!runAndCheck(process, arguments, QStringLiteral("Extract"), archive, run, end))
        return false;
    ZV_INFO() << "Extract completed: " << archive;
    return true;
}

bool testArchive(QProcess& process, const QString& archive, const SevenZipRun& run,
                 SevenZipEnd* end)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    return runAndCheck(process, {QStringLiteral("t"), archive, QStringLiteral("-bsp1")},
                       QStringLiteral("Test"), archive, run, end);
}

bool listArchive(QProcess& process, const QString& archive, const SevenZipRun& run,
                 ArchiveContents* contents)
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    QByteArray output;
    // UTF-8 whatever the console's code page, so Cyrillic names read the
    // same on every system.
    const QStringList arguments{QStringLiteral("l"), QStringLiteral("-slt"),
                                QStringLiteral("-sccUTF-8"), archive};
    const bool listed =
        runAndCheck(process, arguments, QStringLiteral("List"), archive, run, nullptr, &output);
    // The listing runs to some eighteen lines an entry; the support log keeps
    // a day of work only when it holds one line for it, so the whole text goes
    // to the debug output alone, which never reaches the log file.
    if (!output.isEmpty())
        qDebug().noquote() << "listArchive:" << QString::fromUtf8(output);
    const ArchiveContents parsed = parseTechnicalListing(output);
    ZV_INFO() << "List: " << archive << ": " << listingSummary(parsed)
              << (listed ? QString()
                         : QStringLiteral("; 7-Zip ended with: ") + lastLinesOf(output, 3));
    if (listed && contents)
        *contents = parsed;
    return listed;
}

} // namespace zv
