// The rules the start-up sequence decides by: is a program running, how
// tasklist is asked and read, and whether the service's date agrees.
#include "install/processcheck.h"
#include "app/serverdate.h"
#include "install/tasklist.h"
#include "tests/support/devserviceprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace zv;

namespace {

// A process started from a copy of sleep under the given file name, so that
// its comm and its executable carry that name.
class DummyProcess
{
public:
    DummyProcess(const QString& folder, const QString& name)
    {
        const QString copy = folder + QLatin1Char('/') + name;
        if (QFile::exists(copy) || QFile::copy(QStringLiteral("/bin/sleep"), copy)) {
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
            m_process.start(copy, {QStringLiteral("300")});
            m_process.waitForStarted(10000);
        }
    }
    ~DummyProcess() { stop(); }
    bool running() const { return m_process.state() == QProcess::Running; }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

private:
    QProcess m_process;
};

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

int runChild()
{
    // Started as a copy named like the client: does it see itself?
    QTextStream(stdout) << (isProcessRunning(clientImageName) ? "found" : "alone");
    return 0;
}

} // namespace

class StartupChecksTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QVERIFY(m_folder.isValid());
    }

    void nameMatching_data()
    {
        QTest::addColumn<QString>("processName");
        QTest::addColumn<QString>("imageName");
        QTest::addColumn<bool>("matches");
        QTest::newRow("same") << "winrik.exe"
                              << "winrik.exe" << true;
        QTest::newRow("letter case") << "WinRIK.EXE"
                                     << "winrik.exe" << true;
        QTest::newRow("Linux build without .exe") << "zelvinorapa"
                                                  << "zelvinorapa.exe" << true;
        QTest::newRow("without .exe, letter case") << "ZelvinoraPA"
                                                   << "zelvinorapa.exe" << true;
        QTest::newRow("other program") << "winrik2.exe"
                                       << "winrik.exe" << false;
        QTest::newRow("prefix only") << "winrik"
                                     << "winrik.exe.bak" << false;
        QTest::newRow("longer name") << "zelvinorapa-helper"
                                     << "zelvinorapa.exe" << false;
        QTest::newRow("empty") << ""
                               << "winrik.exe" << false;
    }

    void nameMatching()
    {
        QFETCH(QString, processName);
        QFETCH(QString, imageName);
        QFETCH(bool, matches);
        QCOMPARE(processNameMatches(processName, imageName), matches);
    }

    void processTableFolder_data()
    {
        QTest::addColumn<QString>("imageName");
        QTest::addColumn<qint64>("excluded");
        QTest::addColumn<bool>("running");
        QTest::newRow("comm") << "winrik.exe" << qint64(-1) << true;
        QTest::newRow("executable name only") << "wine64-preloader" << qint64(-1) << true;
        QTest::newRow("deleted executable keeps its name") << "replaced" << qint64(-1) << true;
        QTest::newRow("own copy left out") << "zelvinorapa.exe" << qint64(200) << false;
        QTest::newRow("another copy") << "zelvinorapa.exe" << qint64(-1) << true;
        QTest::newRow("ended process (zombie)") << "ended" << qint64(-1) << false;
        QTest::newRow("not in a process folder") << "self" << qint64(-1) << false;
        QTest::newRow("nothing") << "excel.exe" << qint64(-1) << false;
    }

    void processTableFolder()
    {
        QFETCH(QString, imageName);
        QFETCH(qint64, excluded);
        QFETCH(bool, running);
        const QString root = m_folder.filePath(QStringLiteral("proc"));
        if (!QFile::exists(root)) {
            writeFile(root + "/1/comm", "systemd\n");
            writeFile(root + "/1/stat", "1 (systemd) S 0 1 1\n");
            writeFile(root + "/200/comm", "zelvinorapa\n");
            writeFile(root + "/200/stat", "200 (zelvinorapa) S 1 200 200\n");
            writeFile(root + "/300/comm", "WINRIK.EXE\n");
            writeFile(root + "/300/stat", "300 (WINRIK.EXE) R 1 300 300\n");
            // comm unreadable (absent); the executable link still names it.
            QDir().mkpath(root + "/400");
            QFile::link(QStringLiteral("/usr/bin/wine64-preloader"), root + "/400/exe");
            QDir().mkpath(root + "/410");
            QFile::link(QStringLiteral("/opt/app/replaced (deleted)"), root + "/410/exe");
            writeFile(root + "/500/comm", "ended\n");
            writeFile(root + "/500/stat", "500 (ended) Z 1 500 500\n");
            writeFile(root + "/self/comm", "self\n");
            QDir().mkpath(root + "/600"); // nothing readable at all
        }
        QCOMPARE(isProcessRunningIn(root, imageName, excluded), running);
    }

    void runningProgramIsFoundInTheRealProcessTable()
    {
        // A name no other process on this machine carries.
        const QString name = QStringLiteral("zvdummy%1").arg(QCoreApplication::applicationPid());
        const QString image = name + QStringLiteral(".exe");
        QVERIFY(!isProcessRunningIn(QStringLiteral("/proc"), image, -1));
        DummyProcess dummy(m_folder.path(), name);
        QVERIFY(dummy.running());
        QVERIFY(isProcessRunningIn(QStringLiteral("/proc"), image, -1));
        QVERIFY(isProcessRunningIn(QStringLiteral("/proc"), image.toUpper(), -1));
        dummy.stop();
        QVERIFY(!isProcessRunningIn(QStringLiteral("/proc"), image, -1));
    }

    void clientAndWinrikAreFoundByTheirImageNames()
    {
        DummyProcess client(m_folder.path(), QStringLiteral("zelvinorapa"));
        DummyProcess winrik(m_folder.path(), QStringLiteral("winrik.exe"));
        QVERIFY(client.running());
        QVERIFY(winrik.running());
        QVERIFY(isProcessRunning(clientImageName));
        QVERIFY(isProcessRunning(winrikImageName));
    }

    void singleCopyNeverFindsItself()
    {
        if (isProcessRunningIn(QStringLiteral("/proc"), clientImageName, -1))
            QSKIP("a copy of the client runs on this machine; the answer would be right to be yes");
        const QString copy = m_folder.filePath(QStringLiteral("zelvinorapa"));
        QFile::remove(copy);
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZV_CHECK_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.start(copy, QStringList());
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.readAllStandardOutput(), QByteArray("alone"));
    }

    void tasklistIsAskedForOneImageName()
    {
        QCOMPARE(tasklist::arguments(QStringLiteral("winrik.exe"), 4242),
                 (QStringList{"/FI", "IMAGENAME eq winrik.exe"}));
        QCOMPARE(tasklist::arguments(QStringLiteral("zelvinorapa.exe"), 4242),
                 (QStringList{"/FI", "IMAGENAME eq zelvinorapa.exe", "/FI", "PID ne 4242"}));
        // Only the exact own name leaves this process out.
        QCOMPARE(tasklist::arguments(QStringLiteral("ZelvinoraPA.exe"), 4242).size(), 2);
    }

    void tasklistOutputLengthDecides()
    {
        QVERIFY(!tasklist::reportsProcess(QByteArray()));
        QVERIFY(!tasklist::reportsProcess(QByteArray(157, 'x')));
        QVERIFY(tasklist::reportsProcess(QByteArray(158, 'x')));
        QVERIFY(tasklist::reportsProcess(QByteArray(4000, 'x')));
    }

    void serverDateAnswer_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QDate>("date");
        QTest::newRow("date") << QByteArray("[{\"CURDATE()\":\"2024-04-08\"}]")
                              << QDate(2024, 4, 8);
        QTest::newRow("up to the first zero byte")
            << QByteArray("[{\"CURDATE()\":\"2024-04-08\"}]") + QByteArray(1, '\0') + "garbage"
            << QDate(2024, 4, 8);
        QTest::newRow("zero byte inside the JSON")
            << QByteArray("[{\"CURDATE()\":\"20") + QByteArray(1, '\0') + "24-04-08\"}]" << QDate();
        QTest::newRow("date-time")
            << QByteArray("[{\"CURDATE()\":\"2024-04-08 10:15:00\"}]") << QDate();
        QTest::newRow("single-digit month")
            << QByteArray("[{\"CURDATE()\":\"2024-4-08\"}]") << QDate();
        QTest::newRow("other order") << QByteArray("[{\"CURDATE()\":\"08.04.2024\"}]") << QDate();
        QTest::newRow("no such day") << QByteArray("[{\"CURDATE()\":\"2024-02-30\"}]") << QDate();
        QTest::newRow("blank around") << QByteArray("[{\"CURDATE()\":\" 2024-04-08\"}]") << QDate();
        QTest::newRow("empty array") << QByteArray("[]") << QDate();
        QTest::newRow("other column") << QByteArray("[{\"NOW()\":\"2024-04-08\"}]") << QDate();
        QTest::newRow("number") << QByteArray("[{\"CURDATE()\":20240408}]") << QDate();
        QTest::newRow("not JSON") << QByteArray("<html>2024-04-08</html>") << QDate();
        QTest::newRow("empty") << QByteArray() << QDate();
    }

    void serverDateAnswer()
    {
        QFETCH(QByteArray, body);
        QFETCH(QDate, date);
        QCOMPARE(serverDateFromAnswer(body), date);
    }

    void datesAgreeWithinOneDay_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("agree");
        QTest::newRow("same day") << 0 << true;
        QTest::newRow("one day before") << -1 << true;
        QTest::newRow("one day after") << 1 << true;
        QTest::newRow("two days before") << -2 << false;
        QTest::newRow("two days after") << 2 << false;
        QTest::newRow("a year") << 365 << false;
    }

    void datesAgreeWithinOneDay()
    {
        QFETCH(int, offset);
        QFETCH(bool, agree);
        const QDate local(2024, 3, 1); // across the end of February of a leap year
        QCOMPARE(datesAgree(local.addDays(offset), local), agree);
        QVERIFY(!datesAgree(QDate(), local));
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZV_CHECK_CHILD"))
        return runChild();
    StartupChecksTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startupchecks.moc"
