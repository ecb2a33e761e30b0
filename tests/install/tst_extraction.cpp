#include "install/extraction.h"

#include "tests/support/archivebuilder.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QtTest>

using zv::SevenZipRun;
using zv::test::ArchiveBuilder;
using zv::test::LogCapture;

// Real 7-Zip against real archives, plus small stand-in programs where a
// test needs an exit code or a crash that 7-Zip will not produce on demand.
class ExtractionTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        QVERIFY(m_root.isValid());
        ArchiveBuilder nested;
        nested.addFile("base 0042/nb.ini", "[Version]\r\nNumber=1.25\r\n");
        nested.addFile("base 0042/Справочник/data.dbf", "data");
        QVERIFY2(nested.write(path("archives/nested.zip")), qPrintable(nested.errorString()));
    }

    void extractKeepsTheFolders()
    {
        LogCapture log;
        QProcess process;
        const QString target = path("x target");
        QVERIFY(zv::extractArchive(process, "x", path("archives/nested.zip"), target));
        QVERIFY(QFileInfo(target + "/base 0042/nb.ini").isFile());
        QVERIFY(QFileInfo(target + "/base 0042/Справочник/data.dbf").isFile());
        QVERIFY(log.contains("Info", "Extract completed: " + path("archives/nested.zip")));
    }

    void extractFlatIgnoresTheFolders()
    {
        QProcess process;
        const QString target = path("e target");
        QVERIFY(zv::extractArchive(process, "e", path("archives/nested.zip"), target));
        QVERIFY(QFileInfo(target + "/nb.ini").isFile());
        QVERIFY(QFileInfo(target + "/data.dbf").isFile());
        QVERIFY(!QFileInfo::exists(target + "/base 0042/nb.ini"));
        QVERIFY(!QFileInfo::exists(target + "/base 0042/Справочник/data.dbf"));
    }

    void blanksInThePathsReachTheProgramUnsplit()
    {
        ArchiveBuilder builder;
        builder.addFile("user.rik", "user");
        const QString archive = path("cache with blanks/my user file.zip");
        QVERIFY2(builder.write(archive), qPrintable(builder.errorString()));
        QProcess process;
        const QString target = path("Win RIK folder");
        QVERIFY(zv::extractArchive(process, "x", archive, target));
        QFile file(target + "/user.rik");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("user"));

        // What exactly the program receives, one argument a line.
        QProcess recorded;
        QVERIFY(zv::extractArchive(recorded, "e", archive, target, standIn("record", 0)));
        QCOMPARE(recordedArguments(),
                 QStringList({"e", archive, "-y", "-o" + target, "-bsp1"}));
        QVERIFY(zv::listArchive(recorded, archive, standIn("record", 0)));
        QCOMPARE(recordedArguments(), QStringList({"l", "-slt", "-sccUTF-8", archive}));
    }

    void exitCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("success");
        QTest::newRow("0 done") << 0 << true;
        QTest::newRow("1 warnings") << 1 << true;
        QTest::newRow("2 fatal") << 2 << false;
        QTest::newRow("8 out of memory") << 8 << false;
        QTest::newRow("255 stopped") << 255 << false;
    }
    void exitCodes()
    {
        QFETCH(int, code);
        QFETCH(bool, success);
        LogCapture log;
        QProcess process;
        QCOMPARE(zv::extractArchive(process, "x", path("archives/nested.zip"), path("codes"),
                                    standIn("code", code)),
                 success);
        QCOMPARE(log.contains("Info", "Extract completed: "), success);
        if (!success)
            QVERIFY(log.contains("Error", "exit code " + QString::number(code)));
        QProcess listing;
        QCOMPARE(zv::listArchive(listing, path("archives/nested.zip"), standIn("code", code)),
                 success);
    }

    void crashIsAFailure()
    {
        LogCapture log;
        QProcess process;
        QVERIFY(!zv::extractArchive(process, "x", path("archives/nested.zip"), path("crash"),
                                    standIn("crash", 0)));
        QVERIFY(log.contains("Error", "crashed"));
        QVERIFY(!log.contains("Info", "Extract completed: "));
    }

    void damagedArchiveFailsWithItsCode()
    {
        ArchiveBuilder builder;
        builder.addFile("a.txt", QByteArray(20000, 'a'));
        builder.addFile("b.txt", QByteArray(20000, 'b'));
        const QString archive = path("archives/damaged.zip");
        QVERIFY(builder.write(archive));
        QVERIFY(ArchiveBuilder::damage(archive));
        LogCapture log;
        QProcess process;
        QVERIFY(!zv::extractArchive(process, "x", archive, path("damaged target")));
        QVERIFY(log.contains("Error", "exit code "));
        QVERIFY(log.contains("Error", archive));
        QVERIFY(!log.contains("Info", "Extract completed: "));
        QVERIFY(QFileInfo(archive).isFile());
    }

    // No fixed time limit: a run ends early only when it goes silent.
    void runEndsOnlyWhenItStalls_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("success");
        QTest::newRow("silent") << "silent" << false;
        QTest::newRow("reporting progress") << "talking" << true;
    }
    void runEndsOnlyWhenItStalls()
    {
        QFETCH(QString, kind);
        QFETCH(bool, success);
        SevenZipRun run = standIn(kind, 0);
        run.stallLimitMs = 1500;
        QList<int> percents;
        run.progress = [&percents](int percent) { percents << percent; };
        LogCapture log;
        QProcess process;
        QCOMPARE(zv::extractArchive(process, "x", path("archives/nested.zip"), path("t"), run),
                 success);
        QCOMPARE(process.state(), QProcess::NotRunning);
        QCOMPARE(log.contains("Error", "Finished error: "), !success);
        QCOMPARE(percents, success ? QList<int>({10, 20, 30, 40, 50, 60}) : QList<int>());
    }

    void missingProgramIsAStartError()
    {
        const QByteArray savedPwd = qgetenv("PWD");
        qputenv("PWD", "/home/estimator");
        SevenZipRun missing;
        missing.program = path("no programs here/7za");
        LogCapture log;
        QProcess process;
        const bool extracted = zv::extractArchive(process, "x", path("archives/nested.zip"),
                                                  path("never"), missing);
        const bool listed = zv::listArchive(process, path("archives/nested.zip"), missing);
        qputenv("PWD", savedPwd);
        QVERIFY(!extracted);
        QVERIFY(!listed);
        QCOMPARE(log.lines().filter("Start error: /home/estimator/7za.").size(), 2);
        QVERIFY(!QFileInfo::exists(path("never")));
    }

    void startedLineWithoutPwd()
    {
        const QByteArray savedPwd = qgetenv("PWD");
        qunsetenv("PWD");
        LogCapture log;
        QProcess process;
        const bool extracted = zv::extractArchive(process, "x", path("archives/nested.zip"),
                                                  path("no pwd"));
        qputenv("PWD", savedPwd);
        QVERIFY(extracted);
        QVERIFY(!log.lines().filter(QRegularExpression("^Info: Started: /7za")).isEmpty());
    }

    void listingLogsTheContents()
    {
        LogCapture log;
        QProcess process;
        QVERIFY(zv::listArchive(process, path("archives/nested.zip")));
        QVERIFY(log.contains("Info", "base 0042/nb.ini"));
        QVERIFY(log.contains("Info", "Started: "));
    }

    void listingOfSomethingElseFails()
    {
        QFile bad(path("archives/not an archive.zip"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is not a zip file at all");
        bad.close();
        LogCapture log;
        QProcess process;
        QVERIFY(!zv::listArchive(process, bad.fileName()));
        QVERIFY(log.contains("Error", "exit code "));
    }

private:
    QString path(const QString& relative) const { return m_root.filePath(relative); }

    // A shell script standing in for 7-Zip: "record" writes its arguments to
    // a file and exits with code, "code" only exits with code, "crash" ends
    // by a signal.
    SevenZipRun standIn(const QString& kind, int code)
    {
        const QString script = path("stand-ins/" + kind + QString::number(code) + "/7za");
        QDir().mkpath(QFileInfo(script).absolutePath());
        QFile file(script);
        if (file.open(QIODevice::WriteOnly)) {
            QByteArray body = "#!/bin/sh\n";
            if (kind == "record")
                body += "printf '%s\\n' \"$@\" > '" + path("arguments.txt").toUtf8() + "'\n";
            if (kind == "crash")
                body += "kill -SEGV $$\n";
            if (kind == "silent")
                body += "sleep 30\n";
            if (kind == "talking")
                body += "for p in 10 20 30 40 50 60; do printf ' %s%%\\b\\b\\b\\b' $p; sleep 0.6; done\n";
            body += "exit " + QByteArray::number(code) + "\n";
            file.write(body);
            file.close();
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                | QFileDevice::ExeOwner);
        }
        SevenZipRun run;
        run.program = script;
        return run;
    }

    QStringList recordedArguments() const
    {
        QFile file(path("arguments.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        file.remove();
        return lines;
    }

    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(ExtractionTest)
#include "tst_extraction.moc"
