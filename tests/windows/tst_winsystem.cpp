// The client's other Windows code under a real Windows API: the process
// checks, the drive finder, 7za.exe beside the program, the restart
// hand-over, the download cache and a dBASE table on a Windows disk.
#include "install/processcheck.h"
#include "app/restarthandover.h"
#include "install/dbftable.h"
#include "install/dostext.h"
#include "install/extraction.h"
#include "service/downloadcache.h"
#include "settings/fixeddrives.h"

#include <QtTest>

#include <windows.h>

namespace {

QString nativeTemp()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buffer);
    return QDir::fromNativeSeparators(QString::fromWCharArray(buffer));
}

} // namespace

class WinSystemTest : public QObject
{
    Q_OBJECT

private slots:
    // This process is found by its own image name unless it is the one left
    // out; a program that is not running is not found.
    void processCheck()
    {
        QVERIFY(zv::isProcessRunning(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
        QVERIFY(!zv::isProcessRunning(QStringLiteral("winrik.exe")));
        QVERIFY(!zv::isProcessRunning(QStringLiteral("zelvinorapa.exe")));
    }

    void fixedDrivesLeaveOutTheCdrom()
    {
        const QStringList roots = zv::fixedDriveRoots();
        QVERIFY2(roots.contains(QStringLiteral("C:/")), qPrintable(roots.join(' ')));
        QVERIFY(!roots.contains(QStringLiteral("D:/")));
        QCOMPARE(zv::getDrives(DRIVE_CDROM), QStringList{QStringLiteral("D:\\")});
        QVERIFY(zv::getDrives(7).isEmpty());
    }

    void sevenZipBesideTheProgramKeepsCyrillicNames()
    {
        QTemporaryDir work(QDir::tempPath() + QStringLiteral("/папка с пробелами XXXXXX"));
        QVERIFY(work.isValid());
        const QString target = work.path() + QStringLiteral("/Индексы 2024");
        QProcess process;
        QVERIFY(zv::extractArchive(process, QStringLiteral("x"),
                                   QCoreApplication::applicationDirPath() + QStringLiteral("/cyrillic.zip"),
                                   target));
        QFile file(target + QStringLiteral("/Сметные нормы/Индекс № 1.txt"));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QCOMPARE(file.readAll(), QByteArray("ФЕР-2020\n"));
    }

    void newCopyWaitsForTheOldOne()
    {
        QProcess old;
        old.start(QStringLiteral("cmd.exe"), {QStringLiteral("/q")});
        QVERIFY(old.waitForStarted());
        const QStringList arguments = zv::restartArguments(old.processId());
        QVERIFY(!zv::waitForRestartedCopy(arguments, 500));
        old.kill();
        QVERIFY(zv::waitForRestartedCopy(arguments, 20000));
        old.waitForFinished();
        QVERIFY(zv::waitForRestartedCopy({}, 0));
    }

    void downloadCacheInTheWindowsTemporaryFolder()
    {
        QCOMPARE(zv::downloadCacheFolder(), nativeTemp() + QStringLiteral("zelvinora"));
        const QString path = zv::cachePathOf(QStringLiteral("downloads/ind/Индекс 1.7z"));
        QVERIFY(zv::makeCacheFolder(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("7z");
        file.close();
        QVERIFY(zv::isCachedFile(path));
    }

    // save() replaces an existing table, which on Windows is not a rename.
    void dbaseTableWrittenAndReadBack()
    {
        QTemporaryDir work(QDir::tempPath() + QStringLiteral("/ПК РИК XXXXXX"));
        const QString path = work.path() + QStringLiteral("/INSTAL.DBF");
        zv::DbfTable table;
        QVERIFY(table.create({{QStringLiteral("NAME"), 'C', 40, 0, 0},
                              {QStringLiteral("NUM"), 'N', 6, 0, 0}}));
        QVERIFY(table.appendRow({{QStringLiteral("NAME"), QStringLiteral("Сборник № 1")},
                                 {QStringLiteral("NUM"), 7}}));
        QVERIFY2(table.save(path), qPrintable(table.errorString()));
        QVERIFY(table.appendRow({{QStringLiteral("NAME"), QStringLiteral("ТЕР-2001")}}));
        QVERIFY2(table.save(path), qPrintable(table.errorString()));

        zv::DbfTable read;
        QVERIFY2(read.load(path), qPrintable(read.errorString()));
        QCOMPARE(read.rowCount(), 2);
        QCOMPARE(zv::decodeDosText(read.record(0).value(QStringLiteral("NAME")).toString()),
                 QStringLiteral("Сборник № 1"));
        QCOMPARE(read.record(0).value(QStringLiteral("NUM")).toInt(), 7);
        QCOMPARE(zv::decodeDosText(read.record(1).value(QStringLiteral("NAME")).toString()),
                 QStringLiteral("ТЕР-2001"));
        QCOMPARE(QDir(work.path()).entryList(QDir::Files), QStringList{QStringLiteral("INSTAL.DBF")});
    }
};

QTEST_GUILESS_MAIN(WinSystemTest)
#include "tst_winsystem.moc"
