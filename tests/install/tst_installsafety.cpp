// Every installation is all or nothing: whatever goes wrong, the WinRIK
// folder and the download cache end byte for byte as they were, and the
// user is told why. Real 7-Zip, real dBASE tables, real processes.
#include "install/installer.h"
#include "install/installtransaction.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"
#include "tests/support/archivebuilder.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using zv::Installer;
using zv::VAR;
using zv::test::ArchiveBuilder;
using zv::test::InstalRow;
using zv::test::WinRikFolderBuilder;

namespace {

using Tree = QMap<QString, QByteArray>;

// Every file and folder below root, with the files' bytes.
Tree snapshot(const QString& root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QString relative = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir())
            tree.insert(relative + "/", {});
        else if (file.open(QIODevice::ReadOnly))
            tree.insert(relative, file.readAll());
    }
    return tree;
}

// Zips that 7-Zip would not build: entries climbing out or symbolic links.
bool writeHostileZip(const QString& path, const QString& entry, bool asLink)
{
    QDir().mkpath(QFileInfo(path).path());
    const QString script = QString(
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
        "z.writestr('IND/ind_2401.dbf', 'new index')\n"
        "i = zipfile.ZipInfo(sys.argv[2])\n"
        "if sys.argv[3] == '1':\n"
        "    i.create_system = 3\n"
        "    i.external_attr = 0o120777 << 16\n"
        "z.writestr(i, '/etc/passwd')\n");
    return QProcess::execute("python3", {"-c", script, path, entry, asLink ? "1" : "0"}) == 0;
}

// Writes past the limit fail the way they fail on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        if (bytes <= 0)
            return;
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = rlim_t(bytes);
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active) {
            setrlimit(RLIMIT_FSIZE, &m_saved);
            std::signal(SIGXFSZ, m_previous);
        }
    }

private:
    rlimit m_saved{};
    void (*m_previous)(int) = SIG_DFL;
    bool m_active = false;
};

// A child that installs with its journal limited to a few lines and dies
// of SIGXFSZ when the next line is written: after some files were moved
// in and before the others.
int installUntilTheCrash()
{
    const QStringList job = qEnvironmentVariable("ZV_CRASHING_INSTALL").split('\n');
    rlimit limited{40, 40};
    setrlimit(RLIMIT_FSIZE, &limited);
    Installer installer(job.value(0), QString());
    installer.installFile(job.value(1), "rikInd");
    return 0;
}

// A stand-in for 7-Zip that answers "t" and "l" at once and runs "x" as told.
zv::SevenZipRun standIn(const QString& path, const QByteArray& unpacking, int stallLimitMs)
{
    QFile script(path);
    if (script.open(QIODevice::WriteOnly))
        script.write("#!/bin/sh\n[ \"$1\" = x ] && { " + unpacking + "; }\nexit 0\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    zv::SevenZipRun run;
    run.program = path;
    run.stallLimitMs = stallLimitMs;
    return run;
}

VAR offered(int number, int nn = 0)
{
    VAR v;
    v.type = "res";
    v.number = number;
    v.nn = nn;
    v.name = "Новая";
    return v;
}

} // namespace

class InstallSafetyTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        QVERIFY(QDir().mkpath(zv::downloadCacheFolder()));
    }

    void faultLeavesFolderAndCacheAsTheyWere_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("itemClass");
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged archive") << "damaged" << "rikInd" << "update/ind/i.zip"
                                         << "Архив повреждён: i.zip";
        QTest::newRow("\"..\" entry") << "climbs" << "rikInd" << "update/ind/i.zip"
                                      << "недопустимый путь «../../escaped.txt»";
        QTest::newRow("link entry") << "link" << "rikInd" << "update/ind/i.zip"
                                    << "недопустимый путь «IND/passwd»";
        QTest::newRow("WinRIK running") << "winrik" << "rikInd" << "update/ind/i.zip"
                                        << "Закройте программу WinRIK";
        QTest::newRow("INSTAL write fails") << "instal" << "rikNB" << "update/nb/base1234.zip"
                                            << "таблицу INSTAL";
        QTest::newRow("endings merge fails") << "merge" << "rikVarRes"
                                             << "update/var/res_0007.dbf.zip" << "res_all";
        QTest::newRow("disk full while unpacking") << "fullDisk" << "rikInd" << "update/ind/i.zip"
                                                   << "Не удалось распаковать архив";
        QTest::newRow("code 1234 is not X_51234") << "code" << "rikNB" << "update/nb/base1234.zip"
                                                  << "папка нормативной базы";
        QTest::newRow("archive outside the cache") << "outside" << "rikInd"
                                                   << "update/../../outside.zip"
                                                   << "не из папки загрузок";
        QTest::newRow("stopped while unpacking") << "stop" << "rikInd" << "update/ind/i.zip"
                                                 << "Установка прервана: i.zip";
        QTest::newRow("7-Zip goes silent") << "stall" << "rikInd" << "update/ind/i.zip"
                                           << "перестала отвечать";
        QTest::newRow("crash between the moves") << "crash" << "rikInd" << "update/ind/i.zip"
                                                 << "";
    }
    void faultLeavesFolderAndCacheAsTheyWere()
    {
        QFETCH(QString, fault);
        QFETCH(QString, itemClass);
        QFETCH(QString, archive);
        QFETCH(QString, reason);
        QTemporaryDir folders;
        const QString rik = folders.filePath("WinRIK");
        WinRikFolderBuilder world(rik);
        QVERIFY(world.writeInstal({InstalRow{"Старая", "0001", "NB\\Old_0001\\"}}));
        QVERIFY(world.writeNbIni("NB/Old_0001", "1.0", "Старая"));
        QVERIFY(world.writeNbIni("NB/A_51234", "1.0", "Чужая"));
        QVERIFY(world.writeFile("IND/ind_2401.dbf", "old index a"));
        QVERIFY(world.writeFile("IND/ind_2402.dbf", "old index b"));
        QVERIFY(world.writeFile("IND/ind_2403.dbf", "old index c"));
        QVERIFY(world.writeEndingsTable("res", {offered(5, 1), offered(9, 2)}));

        ArchiveBuilder builder;
        builder.addFile("IND/ind_2401.dbf", "new a");
        builder.addFile("IND/ind_2402.dbf", "new b");
        builder.addFile("IND/ind_2403.dbf", "new c");
        builder.addFile("IND/Новые/ind_2404.dbf", "new d");
        builder.addFile("res_7.dbf", "record");
        if (fault != "code")
            builder.addFile("NB/Base_1234/nb.ini", "[Version]\r\nNumber=2.0\r\nName=New\r\n");
        if (fault == "fullDisk")
            builder.addFile("IND/big.dbf", QByteArray(200000, 'b'));
        const QString path = zv::cachePathOf(archive);
        QVERIFY(QDir().mkpath(zv::cachePathOf("update")));
        if (fault == "climbs" || fault == "link")
            QVERIFY(writeHostileZip(path, fault == "link" ? "IND/passwd" : "../../escaped.txt",
                                    fault == "link"));
        else
            QVERIFY2(builder.write(path), qPrintable(builder.errorString()));
        if (fault == "damaged")
            QVERIFY(ArchiveBuilder::damage(path));

        QProcess winrik;
        if (fault == "winrik") {
            QVERIFY(QFile::copy("/bin/sleep", folders.filePath("winrik.exe")));
            winrik.start(folders.filePath("winrik.exe"), {"60"});
            QVERIFY(winrik.waitForStarted());
        }
        qint64 limit = 0;
        if (fault == "instal")
            limit = QFileInfo(world.path("sm_r/INSTAL.DBF")).size() + 10;
        if (fault == "merge")
            limit = QFileInfo(world.path("sm_r/var/res_all.dbf")).size() + 10;
        if (fault == "fullDisk")
            limit = 100000;

        const zv::SevenZipRun stalling = standIn(folders.filePath("7za"), "sleep 30", 1000);
        const Tree folderBefore = snapshot(rik);
        const Tree cacheBefore = snapshot(QFileInfo(zv::downloadCacheFolder()).path());
        if (fault == "crash") {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("ZV_CRASHING_INSTALL", rik + "\n" + path);
            child.setProcessEnvironment(environment);
            child.start(QCoreApplication::applicationFilePath(), QStringList());
            QVERIFY(child.waitForFinished(60000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
            QVERIFY(snapshot(rik) != folderBefore);
            QVERIFY(zv::restoreInterruptedInstall(rik));
        } else {
            Installer installer(rik, folders.filePath("Гранд-Смета"));
            installer.setInstalledBases({{"0001", zv::NORMBASE()}});
            installer.setOfferedEndings({offered(7)});
            if (fault == "stall")
                installer.setSevenZipRun(stalling);
            // "Прервать" pressed once unpacked files are there.
            const QDir staging(rik + "/" + zv::installWorkFolderName + "/staging/IND");
            installer.setStopRequested([&] { return fault == "stop" && staging.exists(); });
            bool installed = true;
            {
                FileSizeLimit full(limit);
                installed = installer.installFile(path, itemClass);
            }
            QVERIFY(!installed);
            QVERIFY2(installer.failureReason().contains(reason),
                     qPrintable(installer.failureReason()));
        }
        winrik.kill();
        winrik.waitForFinished();
        QCOMPARE(snapshot(rik), folderBefore);
        QCOMPARE(snapshot(QFileInfo(zv::downloadCacheFolder()).path()), cacheBefore);
        QDir(zv::downloadCacheFolder()).removeRecursively();
    }

    // No fixed time limit: a run that keeps reporting progress goes on for
    // longer than the silence that stops one.
    void reportingRunIsNeverStopped()
    {
        QTemporaryDir folders;
        QVERIFY(QDir().mkpath(folders.filePath("WinRIK")));
        ArchiveBuilder builder;
        builder.addFile("IND/a.dbf");
        QVERIFY(builder.write(zv::cachePathOf("update/ind/slow.zip")));
        Installer installer(folders.filePath("WinRIK"), QString());
        installer.setSevenZipRun(standIn(folders.filePath("7za"),
                                         "for p in 20 40 60 80; do printf ' %s%%' $p; sleep 0.6; done",
                                         1000));
        QList<int> seen;
        installer.setProgress([&seen](int percent) { seen << percent; });
        QVERIFY2(installer.installFile(zv::cachePathOf("update/ind/slow.zip"), "rikInd"),
                 qPrintable(installer.failureReason()));
        QCOMPARE(seen, QList<int>({60, 70, 80, 90, 100}));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZV_CRASHING_INSTALL"))
        return installUntilTheCrash();
    InstallSafetyTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installsafety.moc"
