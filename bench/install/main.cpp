// How long the event loop goes unserved while installs run on its thread: a
// timer ticks every 5 ms and the longest gap between ticks is kept. Runs an
// index archive of 200 MB (unpacked) and an endings record merged into a
// table of 5,000 records, and one read of that table on the loop's thread
// and on a thread of its own. Run it isolated:
//   tests/run-isolated build/bin/bench_install
#include "install/dbfsource.h"
#include "install/installer.h"
#include "install/offthread.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"
#include "tests/support/archivebuilder.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

constexpr int recordCount = 5000;

zv::VAR record(int number)
{
    zv::VAR var;
    var.type = QStringLiteral("loc");
    var.number = number;
    var.nn = number;
    var.name = QStringLiteral("Record %1").arg(number);
    return var;
}

struct Stall
{
    qint64 longestMs = 0;
    qint64 totalMs = 0;
    bool ok = false;
};

// Runs work from inside the event loop, as a button's slot would, and
// measures the loop's longest pause meanwhile.
Stall measure(const std::function<bool()>& work)
{
    Stall stall;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        stall.longestMs = qMax(stall.longestMs, sinceTick.restart());
    });
    QTimer::singleShot(20, [&] {
        QElapsedTimer total;
        total.start();
        stall.ok = work();
        stall.totalMs = total.elapsed();
        stall.longestMs = qMax(stall.longestMs, sinceTick.elapsed());
        QCoreApplication::quit();
    });
    sinceTick.start();
    ticker.start();
    QCoreApplication::exec();
    return stall;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    zv::test::WinRikFolderBuilder rik(dir.filePath(QStringLiteral("WinRIK")));
    QVector<zv::VAR> records;
    for (int n = 1; n <= recordCount; ++n)
        records.append(record(n));
    zv::test::ArchiveBuilder indices;
    // Zeros pack small but take a while to unpack.
    indices.addFile(QStringLiteral("IND/ind_202412.dbf"), QByteArray(200 * 1024 * 1024, '\0'));
    zv::test::ArchiveBuilder ending;
    ending.addFile(QStringLiteral("loc_9100.dbf"), "record");
    const QString indexArchive = zv::cachePathOf(QStringLiteral("update/bench/rik_0cfo_2024_4.zip"));
    const QString endingArchive = zv::cachePathOf(QStringLiteral("update/bench/loc_9100.dbf.zip"));
    if (!rik.writeEndingsTable(QStringLiteral("loc"), records) || !indices.write(indexArchive) ||
        !ending.write(endingArchive)) {
        QTextStream(stderr) << "cannot prepare: " << rik.errorString() << "\n";
        return 1;
    }
    zv::Installer installer(rik.root(), QString());
    installer.setOfferedEndings({record(9100)});
    const Stall big = measure([&] { return installer.installFile(indexArchive, "rikInd"); });
    const Stall merge = measure([&] { return installer.installFile(endingArchive, "rikVarLoc"); });
    const auto readTable = [&] {
        zv::DbfDataSource source = zv::winrik::endingsSource(rik.root());
        return source.open() && source.readAll(QStringLiteral("loc_all")).has_value();
    };
    const Stall read = measure(readTable);
    const Stall readAway = measure([&] { return zv::runOffThread(readTable); });
    QTextStream(stdout) << "longest event-loop stall: 200 MB index install " << big.longestMs
                        << " ms (of " << big.totalMs << " ms)" << (big.ok ? "" : " (FAILED)")
                        << ", endings install into " << recordCount << " records "
                        << merge.longestMs << " ms" << (merge.ok ? "" : " (FAILED)")
                        << ", reading " << recordCount << " records " << read.longestMs
                        << " ms, the same read off the thread " << readAway.longestMs << " ms"
                        << (read.ok && readAway.ok ? "" : " (FAILED)") << "\n";
    return big.ok && merge.ok && read.ok && readAway.ok ? 0 : 1;
}
