// The built client started as a user starts it, on a display of its own:
// refusals with exit code 0, the first-run defaults and autostart entry, later
// starts that write nothing, and the messages of an unreachable service.
#include "install/processcheck.h"
#include "app/restarthandover.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "tests/support/devserviceprocess.h"
#include "xvfbdisplay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace zv;

namespace {

const QString startRefused = QStringLiteral("Ошибка запуска");
const QString alreadyRunning = QStringLiteral("Приложение уже запущено.");
const QString winrikRunning =
    QStringLiteral("Перед установкой обновления, закройте программу WinRIK и запустите заново.");
const QString mainTitle = QStringLiteral("Личный кабинет Зелвинора");
// The address the client under test was built with.
const int servicePort = 18765;

QString clientPath()
{
    return qEnvironmentVariable("ZV_BIN_DIR") + QStringLiteral("/zelvinorapa");
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of sleep under the given name.
class Dummy
{
public:
    Dummy(const QString& folder, const QString& name)
    {
        const QString copy = folder + QLatin1Char('/') + name;
        if (QFile::exists(copy) || QFile::copy(QStringLiteral("/bin/sleep"), copy))
            m_process.start(copy, {QStringLiteral("600")});
        m_process.waitForStarted(10000);
    }
    ~Dummy() { stop(); }
    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
};

// The stand-in of the service on the port the client was built for.
test::DevServiceProcess::Config onBuiltPort(const QString& date = QString())
{
    test::DevServiceProcess::Config config;
    config.listenPort = servicePort;
    config.fixedDate = date;
    return config;
}

} // namespace

class ClientBinaryTest : public QObject
{
    Q_OBJECT

    XvfbDisplay m_display;
    QTemporaryDir m_work;
    QString m_home;
    QString m_configHome;

    // A user of their own for each case: fresh home and configuration folder.
    void newUser()
    {
        static int count = 0;
        m_home = m_work.filePath(QStringLiteral("user%1/home").arg(++count));
        m_configHome = m_work.filePath(QStringLiteral("user%1/config").arg(count));
        QDir().mkpath(m_home);
        QDir().mkpath(m_configHome);
    }

    QString storePath() const
    {
        return m_configHome + QStringLiteral("/ZelVinora/") + mainTitle + QStringLiteral(".conf");
    }
    QString autostartPath() const
    {
        return m_configHome + QStringLiteral("/autostart/zelvinoraPA.desktop");
    }
    bool nothingWritten() const
    {
        return !QFile::exists(m_configHome + QStringLiteral("/ZelVinora")) &&
               !QFile::exists(autostartPath());
    }

    void startClient(QProcess& client, const QStringList& arguments = QStringList())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_configHome);
        environment.insert(QStringLiteral("DISPLAY"), m_display.name());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        client.setProcessEnvironment(environment);
        client.start(clientPath(), arguments);
        QVERIFY(client.waitForStarted(10000));
    }

    static void stopClient(QProcess& client)
    {
        if (client.state() == QProcess::NotRunning)
            return;
        client.terminate();
        if (!client.waitForFinished(10000)) {
            client.kill();
            client.waitForFinished(10000);
        }
    }

    QString m_failure;

    // Waits for the main window; on failure m_failure says what came instead.
    bool mainWindowShows(QProcess& client)
    {
        // Generous: on a loaded machine the first start of a fresh build is slow.
        if (!m_display.waitForWindow(client, mainTitle, 60000).isEmpty())
            return true;
        m_failure = QStringLiteral("no main window; ") + whatTheClientDid(client);
        return false;
    }

    // For a failure message: whether the client ended, what it showed and said.
    QString whatTheClientDid(QProcess& client) const
    {
        const bool ended = client.state() == QProcess::NotRunning;
        return QStringLiteral("client %1, windows: %2; error output: %3")
            .arg(ended ? QStringLiteral("ended with code %1").arg(client.exitCode())
                       : QStringLiteral("still running"))
            .arg(QStringList(m_display.windowsOf(client.processId()).values()).join(", "))
            .arg(QString::fromUtf8(client.readAllStandardError()));
    }

    // The one box the client shows is closed with Return; the client must
    // then end by itself with exit code 0. Answers its error output.
    QString refusalClosedByUser(QProcess& client)
    {
        const QString box = m_display.waitForWindow(client, startRefused);
        if (box.isEmpty())
            return QStringLiteral("no refusal box; ") + whatTheClientDid(client);
        if (m_display.windowsOf(client.processId()).size() != 1)
            return QStringLiteral("more than the refusal box on screen");
        if (!m_display.pressReturnIn(box))
            return QStringLiteral("Return not delivered");
        if (!client.waitForFinished(20000))
            return QStringLiteral("still running after the box was closed");
        if (client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
            return QStringLiteral("exit code %1").arg(client.exitCode());
        return QString::fromUtf8(client.readAllStandardError());
    }

private slots:
    // The client and the port are shared with everything else on this
    // machine: say so plainly instead of failing for a reason that is not ours.
    void init()
    {
        if (isProcessRunningIn(QStringLiteral("/proc"), clientImageName, -1) ||
            isProcessRunningIn(QStringLiteral("/proc"), winrikImageName, -1))
            QFAIL("another copy of the client or WinRIK runs on this machine");
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, servicePort))
            QFAIL("port 18765 is taken by another program");
    }

    void initTestCase()
    {
        test::enableTestMode();
        installSettingsFormat();
        QVERIFY(QFileInfo(clientPath()).isExecutable());
        QVERIFY(m_work.isValid());
        QVERIFY(m_display.start());
    }

    void secondCopyIsRefused()
    {
        newUser();
        Dummy other(m_work.path(), QStringLiteral("zelvinorapa"));
        QVERIFY(other.running());
        QProcess client;
        startClient(client);
        const QString log = refusalClosedByUser(client);
        stopClient(client);
        QVERIFY2(log.contains(alreadyRunning), qPrintable(log));
        QVERIFY(nothingWritten());
    }

    void runningWinrikIsRefused()
    {
        newUser();
        Dummy winrik(m_work.path(), QStringLiteral("winrik.exe"));
        QVERIFY(winrik.running());
        QProcess client;
        startClient(client);
        const QString log = refusalClosedByUser(client);
        stopClient(client);
        QVERIFY2(log.contains(winrikRunning), qPrintable(log));
        QVERIFY(!log.contains(alreadyRunning));
        QVERIFY(nothingWritten());
    }

    void withBothOnlyTheFirstRefusalShows()
    {
        newUser();
        Dummy other(m_work.path(), QStringLiteral("zelvinorapa"));
        Dummy winrik(m_work.path(), QStringLiteral("winrik.exe"));
        QProcess client;
        startClient(client);
        const QString log = refusalClosedByUser(client);
        stopClient(client);
        QVERIFY2(log.contains(alreadyRunning), qPrintable(log));
        QVERIFY(!log.contains(winrikRunning));
        QVERIFY(nothingWritten());
    }

    void firstStartWritesTheDefaultsAndTheAutostartEntry()
    {
        newUser();
        test::DevServiceProcess service;
        QVERIFY(service.start(onBuiltPort()));
        QProcess client;
        startClient(client);
        const QString window = m_display.waitForWindow(client, mainTitle);
        QVERIFY2(!window.isEmpty(), client.readAllStandardError().constData());
        // The date agreed: the main window is the only one shown.
        QCOMPARE(m_display.windowsOf(client.processId()).size(), 1);
        stopClient(client);

        const QSettings store(storePath(), settingsFormat());
        QCOMPARE(store.allKeys().size(), 21);
        for (const auto& [key, value] : keys::firstRunDefaults())
            QCOMPARE(store.value(key).toString(), value.toString());
        QCOMPARE(store.value(keys::generalAutostart).toBool(), true);

        QVERIFY(QFile::exists(autostartPath()));
        const QString entry = QString::fromUtf8(fileBytes(autostartPath()));
        QVERIFY2(entry.contains(QStringLiteral("\nExec=\"") +
                                QFileInfo(clientPath()).canonicalFilePath() +
                                QStringLiteral("\"\n")),
                 qPrintable(entry));
    }

    void secondStartWritesNothing()
    {
        // Same user as the first start.
        const QByteArray store = fileBytes(storePath());
        QVERIFY(!store.isEmpty());
        const QDateTime written = QFileInfo(storePath()).lastModified();
        // The entry is never checked at start-up: a removed one stays removed.
        QVERIFY(QFile::remove(autostartPath()));

        test::DevServiceProcess service;
        QVERIFY(service.start(onBuiltPort()));
        QProcess client;
        startClient(client);
        QVERIFY2(mainWindowShows(client), qPrintable(m_failure));
        stopClient(client);
        QCOMPARE(fileBytes(storePath()), store);
        QCOMPARE(QFileInfo(storePath()).lastModified(), written);
        QVERIFY(!QFile::exists(autostartPath()));
    }

    void storeWithSomeKeysIsLeftAsItIs()
    {
        newUser();
        QDir().mkpath(QFileInfo(storePath()).path());
        const QByteArray partial = "[general]\nuserik=false\n\n[rik]\nkey=12345\n";
        {
            QFile file(storePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(partial);
        }
        test::DevServiceProcess service;
        QVERIFY(service.start(onBuiltPort()));
        QProcess client;
        startClient(client);
        QVERIFY2(mainWindowShows(client), qPrintable(m_failure));
        stopClient(client);
        QCOMPARE(fileBytes(storePath()), partial);
        QVERIFY(!QFile::exists(autostartPath()));
    }

    // A restarted copy is started while the old one is still there: it waits
    // for the old one to go instead of refusing itself.
    void restartedCopyWaitsForThePreviousOne()
    {
        newUser();
        test::DevServiceProcess service;
        QVERIFY(service.start(onBuiltPort()));
        Dummy previous(m_work.path(), QStringLiteral("zelvinorapa"));
        QVERIFY(previous.running());
        QProcess client;
        startClient(client, restartArguments(previous.pid()));
        QTest::qWait(1500);
        QVERIFY(m_display.windowsOf(client.processId()).isEmpty());
        QCOMPARE(client.state(), QProcess::Running);
        previous.stop();
        QVERIFY2(mainWindowShows(client), qPrintable(m_failure));
        QCOMPARE(m_display.windowsOf(client.processId()).size(), 1);
        stopClient(client);
    }

    // A second copy that only claims to be a restart still meets the refusal
    // once its wait is over.
    void restartNamingAnEndedCopyStillFindsARunningOne()
    {
        newUser();
        Dummy other(m_work.path(), QStringLiteral("zelvinorapa"));
        QVERIFY(other.running());
        QProcess client;
        startClient(client, restartArguments(999999999));
        const QString log = refusalClosedByUser(client);
        stopClient(client);
        QVERIFY2(log.contains(alreadyRunning), qPrintable(log));
    }

    void unreachableServiceShowsConnectionThenDateMessage()
    {
        newUser();
        // Nothing listens on the built address.
        QProcess client;
        startClient(client);
        const QString connection =
            m_display.waitForWindow(client, QStringLiteral("Ошибка подключения"));
        // Asked only on failure: it reads the client's error output.
        if (connection.isEmpty())
            QFAIL(qPrintable(whatTheClientDid(client)));
        QCOMPARE(m_display.windowsOf(client.processId()).size(), 1);
        QVERIFY(m_display.pressReturnIn(connection));
        const QString date =
            m_display.waitForWindow(client, QStringLiteral("Ошибка настроек даты"));
        QVERIFY(!date.isEmpty());
        QCOMPARE(m_display.windowsOf(client.processId()).size(), 1);
        QVERIFY(m_display.pressReturnIn(date));
        // Start-up goes on to the window.
        QVERIFY2(mainWindowShows(client), qPrintable(m_failure));
        stopClient(client);
        QVERIFY(client.readAllStandardError().contains("Error: "));
    }

    void twoDaysApartShowsTheDateMessage()
    {
        newUser();
        test::DevServiceProcess service;
        QVERIFY(service.start(onBuiltPort(QDate::currentDate().addDays(2).toString(Qt::ISODate))));
        QProcess client;
        startClient(client);
        const QString date =
            m_display.waitForWindow(client, QStringLiteral("Ошибка настроек даты"));
        QVERIFY(!date.isEmpty());
        QVERIFY(m_display.pressReturnIn(date));
        QVERIFY2(mainWindowShows(client), qPrintable(m_failure));
        stopClient(client);
    }
};

QTEST_GUILESS_MAIN(ClientBinaryTest)
#include "tst_clientbinary.moc"
