// The built client as a user meets it, on a display of its own with a real
// notification area: its window and tray icon, the tray menu that hides the
// window and ends the client, and the start without the service, after which
// the window holds the settings tab alone.
#include "install/processcheck.h"
#include "service/statements.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "tests/app/xvfbdisplay.h"
#include "tests/flow/trayhost.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace zv;

namespace {

// The address the client under test was built with.
constexpr int builtPort = 18765;

// The stand-in there, with its demo data and every request recorded.
test::DevServiceProcess::Config onBuiltPort()
{
    test::DevServiceProcess::Config config;
    config.listenPort = builtPort;
    config.record = true;
    return config;
}

const QString mainTitle = QStringLiteral("Личный кабинет Зелвинора");
// main() gives the window this minimum width; menus and boxes are narrower.
const int mainWindowMinimumWidth = 1000;
const int generousMs = 60000;

QString clientPath()
{
    return qEnvironmentVariable("ZV_BIN_DIR") + QStringLiteral("/zelvinorapa");
}

// The client's windows on screen, told apart by where and how large they are:
// they all carry the application's name as their title.
struct ClientWindows
{
    QString main;
    QString trayIcon;
    QStringList others; // menus and message boxes
};

// Waits for a condition that asks the X server or the stand-in, by the clock:
// each question takes far longer than QTRY_*'s polling step, which counts
// only its own pauses.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = generousMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

class ClientTrayTest : public QObject
{
    Q_OBJECT

    XvfbDisplay m_display;
    TrayHost m_tray{m_display};
    QTemporaryDir m_work;
    QString m_home;
    QString m_configHome;

    // A user of WinRIK key 123 with a WinRIK folder of their own, past the
    // first start; the catalogue lists everything.
    void newUser()
    {
        static int count = 0;
        const QString root = m_work.filePath(QStringLiteral("user%1").arg(++count));
        m_home = root + QStringLiteral("/home");
        m_configHome = root + QStringLiteral("/config");
        QVERIFY(QDir().mkpath(m_home) && QDir().mkpath(m_configHome));
        test::WinRikFolderBuilder rik(root + QStringLiteral("/winrik"));
        QVERIFY2(rik.writeInstal({}) && rik.writeLastChange(QStringLiteral("2.1.240408")),
                 qPrintable(rik.errorString()));

        QSettings store(m_configHome + QStringLiteral("/ZelVinora/") + mainTitle +
                            QStringLiteral(".conf"),
                        settingsFormat());
        store.setValue(keys::generalUseRik, true);
        store.setValue(keys::generalUseGrand, false);
        store.setValue(keys::generalOnlyNew, false);
        store.setValue(keys::networkProxyUse, false);
        store.setValue(keys::rikKey, QStringLiteral("123"));
        store.setValue(keys::rikPath, rik.root());
        store.sync();
        QCOMPARE(store.status(), QSettings::NoError);
    }

    void startClient(QProcess& client)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_configHome);
        environment.insert(QStringLiteral("DISPLAY"), m_display.name());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Without a session bus Qt puts the icon into the X notification area.
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        client.setProcessEnvironment(environment);
        client.start(clientPath(), QStringList());
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

    ClientWindows windowsOf(const QProcess& client) const
    {
        ClientWindows windows;
        const QRect panel = m_tray.panelRect();
        const QMap<QString, QString> shown = m_display.windowsOf(client.processId());
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            const QRect rect = windowRect(m_display, it.key());
            if (it.value() == mainTitle && rect.width() >= mainWindowMinimumWidth)
                windows.main = it.key();
            else if (!rect.isEmpty() && panel.contains(rect))
                windows.trayIcon = it.key();
            else
                windows.others << it.key();
        }
        return windows;
    }

    // A click of the given mouse button in the middle of a window, or at a
    // height given as a fraction of it.
    bool clickIn(const QString& windowId, int button, double heightFraction = 0.5) const
    {
        const QRect rect = windowRect(m_display, windowId);
        if (rect.isEmpty())
            return false;
        return m_display.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), windowId,
                                  QString::number(rect.width() / 2),
                                  QString::number(int(rect.height() * heightFraction)),
                                  QStringLiteral("click"), QString::number(button)});
    }

    // Opens the tray icon's menu with the right button and clicks one of its
    // three entries ("Свернуть", "Восстановить", "Выход"), by its place.
    void chooseFromTrayMenu(QProcess& client, int entry)
    {
        const QString icon = windowsOf(client).trayIcon;
        QVERIFY(!icon.isEmpty());
        QVERIFY(clickIn(icon, 3));
        QString menu;
        QVERIFY(waitUntil([&] { return !(menu = windowsOf(client).others.value(0)).isEmpty(); }));
        QVERIFY(clickIn(menu, 1, (2 * entry + 1) / 6.0));
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        installSettingsFormat();
        QVERIFY(QFileInfo(clientPath()).isExecutable());
        QVERIFY(m_work.isValid());
        QVERIFY(m_display.start());
        QVERIFY2(m_tray.start(), "trayer did not show its panel");
    }

    // The client and the port are shared with everything else on this
    // machine: say so plainly instead of failing for a reason that is not ours.
    void init()
    {
        if (isProcessRunningIn(QStringLiteral("/proc"), clientImageName, -1) ||
            isProcessRunningIn(QStringLiteral("/proc"), winrikImageName, -1))
            QFAIL("another copy of the client or WinRIK runs on this machine");
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, builtPort))
            QFAIL("port 18765 is taken by another program");
    }

    void trayMenuHidesTheWindowAndEndsTheClient()
    {
        newUser();
        test::DevServiceProcess service;
        QVERIFY(service.start(onBuiltPort()));
        QProcess client;
        startClient(client);

        ClientWindows windows;
        QVERIFY(waitUntil([&] {
            return !(windows = windowsOf(client)).main.isEmpty() && !windows.trayIcon.isEmpty();
        }));
        // No message box: the date agreed and the catalogue was built.
        QCOMPARE(windows.others, QStringList());
        QVERIFY(waitUntil([&] {
            return service.recordedStatements().contains(
                statements::rikSubscription(QStringLiteral("123")));
        }));
        QVERIFY(
            service.recordedStatements().contains(statements::productVersion(statements::productClient)));

        chooseFromTrayMenu(client, 0); // "Свернуть"
        if (QTest::currentTestFailed())
            return;
        QVERIFY(waitUntil([&] { return windowsOf(client).main.isEmpty(); }));
        QCOMPARE(client.state(), QProcess::Running);
        QVERIFY(!windowsOf(client).trayIcon.isEmpty());

        // A click on the icon brings the window back.
        QVERIFY(clickIn(windowsOf(client).trayIcon, 1));
        QVERIFY(waitUntil([&] { return !windowsOf(client).main.isEmpty(); }));

        chooseFromTrayMenu(client, 2); // "Выход"
        if (QTest::currentTestFailed())
            return;
        const bool ended = client.waitForFinished(generousMs);
        if (!ended)
            stopClient(client);
        QVERIFY2(ended, "the client still runs after \"Выход\"");
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
    }

    void withoutTheServiceOnlyTheSettingsTabOpens()
    {
        newUser();
        QProcess client;
        startClient(client);
        // Nothing listens on the built address yet.
        const QString connection =
            m_display.waitForWindow(client, QStringLiteral("Ошибка подключения"), generousMs);
        QVERIFY(!connection.isEmpty());
        QCOMPARE(m_display.windowsOf(client.processId()).size(), 1);
        QVERIFY(m_display.pressReturnIn(connection));
        const QString date =
            m_display.waitForWindow(client, QStringLiteral("Ошибка настроек даты"), generousMs);
        QVERIFY(!date.isEmpty());
        QCOMPARE(m_display.windowsOf(client.processId()).size(), 1);

        // The service is reachable from here on: a download tab would now
        // ask it for the account and the catalogue before the window shows.
        test::DevServiceProcess service;
        QVERIFY(service.start(onBuiltPort()));
        QVERIFY(m_display.pressReturnIn(date));
        ClientWindows windows;
        QVERIFY(waitUntil([&] { return !(windows = windowsOf(client)).main.isEmpty(); }));
        QCOMPARE(windows.others, QStringList());
        const QString probe = QStringLiteral("SELECT 'after the window showed'");
        QVERIFY(service.sql(probe));
        QVERIFY(waitUntil([&] { return service.recordedStatements().contains(probe); }));
        QCOMPARE(service.recordedStatements(), QStringList{probe});

        stopClient(client);
        QVERIFY(client.readAllStandardError().contains("Error: Connection refused"));
    }
};

QTEST_GUILESS_MAIN(ClientTrayTest)
#include "tst_clienttray.moc"
