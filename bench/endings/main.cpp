// Endings check and merge over a table of 5,000 records: time per check (the
// folder read afresh, as one catalogue build reads a table once) and
// time per merge (overwrite of a record, and an insertion that moves every
// row behind it). Run it isolated:
//   tests/run-isolated build/bin/bench_endings
#include "catalogue/installedendings.h"
#include "install/endingsmerge.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

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
    var.daNet = QStringLiteral("1");
    var.lastChange = QDateTime::currentDateTime();
    return var;
}

double perCall(int calls, const std::function<bool(int)>& call, bool& allOk)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < calls; ++i)
        allOk = call(i) && allOk;
    return double(timer.nsecsElapsed()) / 1e6 / calls;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    zv::test::WinRikFolderBuilder rik(dir.filePath("WinRIK"));
    QVector<zv::VAR> records;
    for (int n = 1; n <= recordCount; ++n)
        records.append(record(n));
    if (!rik.writeEndingsTable(QStringLiteral("loc"), records)) {
        QTextStream(stderr) << "cannot build the table: " << rik.errorString() << "\n";
        return 1;
    }
    rik.writeEndingsRecordFile(QStringLiteral("loc"), 2500);
    const QString table = rik.path(QStringLiteral("sm_r/var/loc_all.dbf"));
    const QString pristine = dir.filePath(QStringLiteral("pristine.dbf"));
    QFile::copy(table, pristine);

    bool checksOk = true;
    const double check = perCall(50, [&](int i) {
        zv::InstalledEndings(rik.root()).isNew(record(1 + (i * 97) % recordCount));
        return true;
    }, checksOk);

    bool overwritesOk = true;
    const double overwrite = perCall(20, [&](int i) {
        return zv::mergeEndings(rik.root(), record(1 + (i * 241) % recordCount));
    }, overwritesOk);

    bool insertsOk = true;
    const double insert = perCall(5, [&](int i) {
        QFile::remove(table);
        QFile::copy(pristine, table);
        return zv::mergeEndings(rik.root(), record(9100 + i));
    }, insertsOk);

    QTextStream(stdout) << "endings over " << recordCount << " records: check " << check
                        << " ms, merge overwrite " << overwrite << " ms"
                        << (overwritesOk ? "" : " (FAILED)") << ", merge insert moving all rows "
                        << insert << " ms" << (insertsOk ? "" : " (FAILED)") << "\n";
    return overwritesOk && insertsOk ? 0 : 1;
}
