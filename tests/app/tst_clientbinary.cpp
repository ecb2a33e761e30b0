// The built client started as a user starts it, on a display of its own and
// with the stand-in on the address it was built with: the refusals that end
// it with exit code 0 before anything is written, what a start leaves in the
// store, and the restarted copy that waits for the copy it replaces.
#include "app/restarthandover.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/testfiles.h"
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

// running: copies of sleep under these names; restartedAfter: 0 a plain start, -1 the first one running;
// daysOff: the service's date against today's; before, after: the store; boxes: closed with Return in
// this order; said: the refusal, also in the log; queries: 0 none, 1 the date alone, 2 also the catalogue.
struct Start { QStringList running; qint64 restartedAfter; int daysOff; QByteArray before;
               QStringList boxes; QString said; QByteArray after; int queries; };

} // namespace

Q_DECLARE_METATYPE(Start)

class ClientBinaryTest : public QObject
{
    Q_OBJECT

    XvfbDisplay m_display;
    QTemporaryDir m_work;
    int m_starts = 0;

    // Each window in turn, with no other beside it but the main window (shown at once, before the
    // service answers), the boxes closed with Return; what went wrong, if anything.
    QString passWindows(QProcess& client, const QStringList& titles)
    {
        for (const QString& title : titles) {
            // Generous: on a loaded machine the first start of a fresh build is slow.
            const QString window = m_display.waitForWindow(client, title, 60000);
            QStringList others = m_display.windowsOf(client.processId()).values();
            others.removeOne(title);
            others.removeAll(mainTitle);
            if (window.isEmpty() || !others.isEmpty())
                return title + " did not show alone; " + client.readAllStandardError();
            if (title != mainTitle && !m_display.pressReturnIn(window))
                return title + " did not close";
        }
        return QString();
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
        QTest::addColumn<Start>("s");
        const QStringList none, copy{"zelvinorapa"}, date{"Ошибка настроек даты"}, refused{"Ошибка запуска"};
        // A damaged line costs that line only, not the store.
        const QByteArray some = "[general]\nuserik=false\ndamaged line\n\n[rik]\nkey=12345\n";
        const QByteArray grand = "[general]\nusegrand=true\n";
        QTest::newRow("first start") << Start{none, 0, 0, {}, none, "", defaultStore, 1};
        QTest::newRow("some keys only") << Start{none, 0, 0, some, none, "", some, 1};
        QTest::newRow("a day before") << Start{none, 0, -1, grand, none, "", grand, 2};
        // A stored "true" with the entry gone (an uninstall took it): the start writes it again.
        const QByteArray autostart = "[general]\nautostart=true\nusegrand=true\n";
        QTest::newRow("a day after") << Start{none, 0, 1, autostart, none, "", autostart, 2};
        QTest::newRow("two days before") << Start{none, 0, -2, grand, date, "", grand, 1};
        QTest::newRow("two days after") << Start{none, 0, 2, grand, date, "", grand, 1};
        QTest::newRow("another copy") << Start{copy, 0, 0, {}, refused, alreadyRunning, {}, 0};
        QTest::newRow("WinRIK") << Start{{"winrik.exe"}, 0, 0, some, refused, winrikRunning, some, 0};
        QTest::newRow("both: the first check speaks")
            << Start{{"zelvinorapa", "winrik.exe"}, 0, 0, {}, refused, alreadyRunning, {}, 0};
        QTest::newRow("restart waits for the copy it replaces") << Start{copy, -1, 0, some, none, "", some, 1};
        // Another account's client is its own business on a shared computer.
        QTest::newRow("another account's copy")
            << Start{{"nobody:zelvinorapa"}, 0, 0, {}, none, "", defaultStore, 1};
        QTest::newRow("restart naming an ended copy")
            << Start{copy, 999999999, 0, {}, refused, alreadyRunning, {}, 0};
    }

    void start()
    {
        QFETCH(Start, s);
        const QString config = m_work.filePath(QString::number(++m_starts));
        const QString store = config + "/ZelVinora/" + mainTitle + ".conf";
        QVERIFY(s.before.isEmpty() || zv::test::writeFile(store, s.before));
        QProcess others[2];
        for (int i = 0; i < s.running.size(); ++i) {
            const QString copy = m_work.filePath(s.running.at(i).section(':', -1));
            QFile::copy(QStringLiteral("/bin/sleep"), copy);
            QStringList arguments{QStringLiteral("600")};
            if (s.running.at(i).startsWith("nobody:")) {
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
        onBuiltPort.fixedDate = QDate::currentDate().addDays(s.daysOff).toString(Qt::ISODate);
        onBuiltPort.record = true;
        QVERIFY(service.start(onBuiltPort));

        QProcess client;
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        const qint64 previous = s.restartedAfter < 0 ? others[0].processId() : s.restartedAfter;
        client.start(qEnvironmentVariable("ZV_BIN_DIR") + "/zelvinorapa",
                     previous ? zv::restartArguments(previous) : QStringList());
        QVERIFY(client.waitForStarted());
        if (s.restartedAfter < 0) {
            QTest::qWait(1500);
            QVERIFY(m_display.windowsOf(client.processId()).isEmpty());
            QCOMPARE(client.state(), QProcess::Running);
            others[0].kill();
            others[0].waitForFinished();
        }
        // Each box, then the main window unless the start is refused.
        QCOMPARE(passWindows(client, s.boxes + (s.said.isEmpty() ? QStringList(mainTitle) : QStringList())), QString());
        if (s.said.isEmpty())
            client.kill();
        QVERIFY(client.waitForFinished(20000));
        const QString log = QString::fromUtf8(client.readAllStandardError());
        if (!s.said.isEmpty()) {
            QCOMPARE(client.exitStatus(), QProcess::NormalExit);
            QCOMPARE(client.exitCode(), 0);
            const QString other = s.said == alreadyRunning ? winrikRunning : alreadyRunning;
            QVERIFY2(log.contains(s.said) && !log.contains(other), qPrintable(log));
        }
        QCOMPARE(qMin(service.recorded().size(), 2), s.queries);
        // Only an empty store is a first run; it alone writes the defaults.
        QCOMPARE(zv::test::fileBytes(store), s.after);
        // The store holds the proxy password: new or older, the owner's alone.
        QVERIFY(!(QFileInfo(store).permissions() & (QFile::ReadGroup | QFile::ReadOther)));
        const QByteArray exec =
            "\nExec=\"" + QFileInfo(client.program()).canonicalFilePath().toUtf8() + "\"\n";
        QCOMPARE(zv::test::fileBytes(config + "/autostart/zelvinoraPA.desktop").contains(exec),
                 (s.before.isEmpty() || s.before.contains("autostart=true")) && s.said.isEmpty());
    }

    // A service that takes the connection and never answers holds the start
    // up for the silence limit only; meanwhile a second start is refused.
    void silentServiceHoldsTheWindowUpToTheTimeOut()
    {
        qputenv("XDG_CONFIG_HOME", m_work.filePath(QString::number(++m_starts)).toUtf8());
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 18765));
        const QString program = qEnvironmentVariable("ZV_BIN_DIR") + "/zelvinorapa";
        QElapsedTimer clock;
        clock.start();
        QProcess client, second;
        client.start(program, QStringList());
        QVERIFY(silent.waitForNewConnection(60000));
        second.start(program, QStringList());
        QCOMPARE(passWindows(second, {"Ошибка запуска"}), QString());
        QVERIFY(second.waitForFinished(20000) && second.exitCode() == 0);
        QVERIFY(second.readAllStandardError().contains(alreadyRunning.toUtf8()));
        QCOMPARE(passWindows(client, {"Ошибка подключения", "Ошибка настроек даты", mainTitle}), QString());
        QVERIFY(clock.elapsed() >= 28000); // coarse timers may end the wait a little early
        client.kill();
        QVERIFY(client.waitForFinished(20000));
        QVERIFY(client.readAllStandardError().contains("Error: no answer for 30 s"));
    }
};

QTEST_GUILESS_MAIN(ClientBinaryTest)
#include "tst_clientbinary.moc"
