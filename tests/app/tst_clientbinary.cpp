// The built client started as a user starts it, on a display of its own and
// with the stand-in on the address it was built with: the refusals that end
// it with exit code 0 before anything is written, what a start leaves in the
// store, and the restarted copy that waits for the copy it replaces.
#include "app/restarthandover.h"
#include "tests/support/devserviceprocess.h"
#include "xvfbdisplay.h"

#include <QTcpServer>
#include <QtTest>

#include <unistd.h>

namespace {

const QString mainTitle = QStringLiteral("Личный кабинет Зелвинора");
const QString alreadyRunning = QStringLiteral("Приложение уже запущено.");
const QString winrikRunning =
    QStringLiteral("Перед установкой обновления, закройте программу WinRIK и запустите заново.");

// Every key with its first-run value, as the store file must hold them.
const QByteArray defaultStore =
    "[general]\nautostart=true\ncheckupdatenumber=1\nhoursorday=d\nonlynew=true\nusegrand=false\n"
    "userik=false\n\n[grand]\nkeynumber=\nkeyserial=\npath=\n\n[network]\nproxyHTTP=true\n"
    "proxySOCKS5=false\nproxyaddress=\nproxyauth=false\nproxybrowser=true\nproxycustom=false\n"
    "proxypass=\nproxyport=0\nproxyuse=false\nproxyuser=\n\n[rik]\nkey=\npath=\n";

} // namespace

class ClientBinaryTest : public QObject
{
    Q_OBJECT

    XvfbDisplay m_display;
    QTemporaryDir m_work;
    int m_starts = 0;

    static QByteArray fileBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        QVERIFY(m_display.start());
        qputenv("DISPLAY", m_display.name().toUtf8());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    void start_data()
    {
        QTest::addColumn<QStringList>("running"); // copies of sleep under these names
        QTest::addColumn<qint64>("restartedAfter"); // 0: plain start; -1: the first one running
        QTest::addColumn<int>("daysOff");           // the service's date against today's
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("boxes");     // closed with Return in this order
        QTest::addColumn<QString>("said");          // the refusal, also in the log
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("queries");           // 0: none, 1: the date alone, 2: also the catalogue
        const QStringList none, copy{"zelvinorapa"}, date{"Ошибка настроек даты"}, refused{"Ошибка запуска"};
        // A damaged line costs that line only, not the store.
        const QByteArray some = "[general]\nuserik=false\ndamaged line\n\n[rik]\nkey=12345\n";
        const QByteArray grand = "[general]\nusegrand=true\n";
        QTest::newRow("first start") << none << 0ll << 0 << QByteArray() << none << "" << defaultStore << 1;
        QTest::newRow("some keys only") << none << 0ll << 0 << some << none << "" << some << 1;
        QTest::newRow("a day before") << none << 0ll << -1 << grand << none << "" << grand << 2;
        QTest::newRow("a day after") << none << 0ll << 1 << grand << none << "" << grand << 2;
        QTest::newRow("two days before") << none << 0ll << -2 << grand << date << "" << grand << 1;
        QTest::newRow("two days after") << none << 0ll << 2 << grand << date << "" << grand << 1;
        QTest::newRow("another copy") << copy << 0ll << 0 << QByteArray() << refused << alreadyRunning
                                      << QByteArray() << 0;
        QTest::newRow("WinRIK") << QStringList{"winrik.exe"} << 0ll << 0 << some << refused
                                << winrikRunning << some << 0;
        QTest::newRow("both: the first check speaks") << QStringList{"zelvinorapa", "winrik.exe"} << 0ll
                                                      << 0 << QByteArray() << refused << alreadyRunning
                                                      << QByteArray() << 0;
        QTest::newRow("restart waits for the copy it replaces")
            << copy << -1ll << 0 << some << none << "" << some << 1;
        // Another account's client is its own business on a shared computer.
        QTest::newRow("another account's copy") << QStringList{"nobody:zelvinorapa"} << 0ll << 0 << QByteArray()
                                                << none << "" << defaultStore << 1;
        QTest::newRow("restart naming an ended copy") << copy << 999999999ll << 0 << QByteArray()
                                                      << refused << alreadyRunning << QByteArray() << 0;
    }

    void start()
    {
        QFETCH(QStringList, running);
        QFETCH(qint64, restartedAfter);
        QFETCH(int, daysOff);
        QFETCH(QByteArray, before);
        QFETCH(QStringList, boxes);
        QFETCH(QString, said);
        QFETCH(QByteArray, after);
        QFETCH(int, queries);
        const QString config = m_work.filePath(QString::number(++m_starts));
        const QString store = config + "/ZelVinora/" + mainTitle + ".conf";
        QDir().mkpath(config + "/ZelVinora");
        QFile file(store);
        QVERIFY(before.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(before) > 0));
        file.close();
        QProcess others[2];
        for (int i = 0; i < running.size(); ++i) {
            const QString copy = m_work.filePath(running.at(i).section(':', -1));
            QFile::copy(QStringLiteral("/bin/sleep"), copy);
            QStringList arguments{QStringLiteral("600")};
            if (running.at(i).startsWith("nobody:")) {
                if (geteuid() != 0)
                    QSKIP("starting a process under another account needs root");
                // That account must reach the copy through the folders above it.
                const QString top = QFileInfo(QFileInfo(QDir::tempPath()).path()).path();
                for (QString dir = m_work.path(); dir.size() > top.size(); dir = QFileInfo(dir).path())
                    QFile::setPermissions(dir, QFile::permissions(dir) | QFile::ExeOther);
                arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", copy} + arguments;
            }
            others[i].start(arguments.size() > 1 ? "setpriv" : copy, arguments);
            QVERIFY(others[i].waitForStarted());
        }
        zv::test::DevServiceProcess service;
        zv::test::DevServiceProcess::Config onBuiltPort;
        onBuiltPort.listenPort = 18765;
        onBuiltPort.fixedDate = QDate::currentDate().addDays(daysOff).toString(Qt::ISODate);
        onBuiltPort.record = true;
        QVERIFY(service.start(onBuiltPort));

        QProcess client;
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        const qint64 previous = restartedAfter < 0 ? others[0].processId() : restartedAfter;
        client.start(qEnvironmentVariable("ZV_BIN_DIR") + "/zelvinorapa",
                     previous ? zv::restartArguments(previous) : QStringList());
        QVERIFY(client.waitForStarted());
        if (restartedAfter < 0) {
            QTest::qWait(1500);
            QVERIFY(m_display.windowsOf(client.processId()).isEmpty());
            QCOMPARE(client.state(), QProcess::Running);
            others[0].kill();
            others[0].waitForFinished();
        }
        // Each box alone on the screen, then the main window alone.
        for (const QString& title : boxes + QStringList(said.isEmpty() ? mainTitle : QString())) {
            if (title.isEmpty())
                break;
            // Generous: on a loaded machine the first start of a fresh build is slow.
            const QString window = m_display.waitForWindow(client, title, 60000);
            if (window.isEmpty())
                QFAIL(qPrintable(title + " did not show; " + client.readAllStandardError()));
            QCOMPARE(m_display.windowsOf(client.processId()).size(), 1);
            QVERIFY(title == mainTitle || m_display.pressReturnIn(window));
        }
        if (said.isEmpty())
            client.kill();
        QVERIFY(client.waitForFinished(20000));
        const QString log = QString::fromUtf8(client.readAllStandardError());
        if (!said.isEmpty()) {
            QCOMPARE(client.exitStatus(), QProcess::NormalExit);
            QCOMPARE(client.exitCode(), 0);
            const QString other = said == alreadyRunning ? winrikRunning : alreadyRunning;
            QVERIFY2(log.contains(said) && !log.contains(other), qPrintable(log));
        }
        QCOMPARE(qMin(service.recorded().size(), 2), queries);
        // Only an empty store is a first run; it alone writes the autostart entry.
        QCOMPARE(fileBytes(store), after);
        // The store holds the proxy password: new or older, the owner's alone.
        if (QFile::exists(store))
            QCOMPARE(QFileInfo(store).permissions() & (QFile::ReadGroup | QFile::ReadOther),
                     QFile::Permissions());
        const QByteArray exec =
            "\nExec=\"" + QFileInfo(client.program()).canonicalFilePath().toUtf8() + "\"\n";
        QCOMPARE(fileBytes(config + "/autostart/zelvinoraPA.desktop").contains(exec),
                 before.isEmpty() && said.isEmpty());
    }

    // A service that takes the connection and never answers holds the start
    // up for the silence limit only; meanwhile a second start is refused.
    void silentServiceHoldsTheWindowUpToTheTimeOut()
    {
        const QString config = m_work.filePath(QString::number(++m_starts));
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 18765));
        const QString program = qEnvironmentVariable("ZV_BIN_DIR") + "/zelvinorapa";
        QElapsedTimer clock;
        clock.start();
        QProcess client, second;
        client.start(program, QStringList());
        QVERIFY(silent.waitForNewConnection(60000));
        second.start(program, QStringList());
        const QString refusal = m_display.waitForWindow(second, "Ошибка запуска", 60000);
        QVERIFY(!refusal.isEmpty() && m_display.pressReturnIn(refusal));
        QVERIFY(second.waitForFinished(20000) && second.exitCode() == 0);
        QVERIFY(second.readAllStandardError().contains(alreadyRunning.toUtf8()));
        for (const QString& title : QStringList{"Ошибка подключения", "Ошибка настроек даты", mainTitle}) {
            const QString window = m_display.waitForWindow(client, title, 60000);
            if (window.isEmpty())
                QFAIL(qPrintable(title + " did not show; " + client.readAllStandardError()));
            QVERIFY(title == mainTitle || m_display.pressReturnIn(window));
        }
        QVERIFY(clock.elapsed() >= 28000); // coarse timers may end the wait a little early
        client.kill();
        QVERIFY(client.waitForFinished(20000));
        QVERIFY(client.readAllStandardError().contains("Error: no answer for 30 s"));
    }
};

QTEST_GUILESS_MAIN(ClientBinaryTest)
#include "tst_clientbinary.moc"
