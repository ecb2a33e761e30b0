// The main window built in this process against the stand-in service: the
// date check and its messages, the first-run defaults, the tabs with the
// status bar rule, the tray, minimising, quitting and the restart.
#include "app/mainwindow.h"
#include "install/processcheck.h"
#include "app/trayicon.h"
#include "catalogue/downloadtab.h"
#include "messageboxcatcher.h"
#include "service/serviceaddress.h"
#include "settings/autostart.h"
#include "settings/hometab.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "tests/support/cannedhttpserver.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace zv;

namespace {

const QString dateTitle = QStringLiteral("Ошибка настроек даты");
const QString dateText = QStringLiteral("Проверьте правильность установки даты и времени на ПК.");
const QString connectionTitle = QStringLiteral("Ошибка подключения");
const QString connectionText = QStringLiteral("Проверьте подключение к интернет.");
const QString proxyTitle = QStringLiteral("Отсутствует настройка");

// Copies of the client started by other tests on this machine must not end
// the window under test; the process checks have tests of their own.
bool nothingRuns(const QString&)
{
    return false;
}

// The start-up boxes among those shown (the catalogue may add its own).
QStringList startupTitles(const MessageBoxCatcher& boxes)
{
    QStringList titles;
    for (const QString& title : boxes.titles()) {
        if (title == dateTitle || title == connectionTitle || title == proxyTitle)
            titles << title;
    }
    return titles;
}

QAction* trayAction(const QString& text)
{
    if (!trayIcon() || !trayIcon()->contextMenu())
        return nullptr;
    for (QAction* action : trayIcon()->contextMenu()->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// What the window's minimise button does: showMinimized() would show the
// window again right after the state change.
void minimise(QWidget& window)
{
    window.setWindowState(window.windowState() | Qt::WindowMinimized);
}

void writeStartupSettings(bool useRik)
{
    QSettings settings;
    settings.clear();
    settings.setValue(keys::generalUseRik, useRik);
    settings.setValue(keys::generalUseGrand, false);
    settings.setValue(keys::networkProxyUse, false);
    settings.setValue(keys::rikKey, QStringLiteral("100001"));
    settings.sync();
}

// The restarted copy of this program: tells its parent how it was started.
int reportRestart()
{
    QFile marker(qEnvironmentVariable("ZV_RESTART_MARKER"));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    const QStringList arguments = QCoreApplication::arguments();
    marker.write((QCoreApplication::applicationFilePath() + '\n' + QDir::currentPath() + '\n' +
                  arguments.mid(1).join(' '))
                     .toUtf8());
    return 0;
}

// Runs in a copy of this program that then loses its execute permission, so
// the restart cannot start the new copy.
int restartThatCannotStart()
{
    QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
    QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
    QStandardPaths::setTestModeEnabled(true);
    installSettingsFormat();
    setProcessProbe(nothingRuns);
    setServiceBaseAddress(QStringLiteral("http://127.0.0.1:%1/").arg(test::unusedPort()));
    test::LogCapture log;
    MessageBoxCatcher boxes;
    MainWindow window;
    window.show();
    QFile::setPermissions(QCoreApplication::applicationFilePath(),
                          QFile::ReadOwner | QFile::WriteOwner);
    window.restartApp();
    QTextStream out(stdout);
    out << (window.isVisible() ? "open" : "closed") << ' '
        << (log.contains(QStringLiteral("Error"), QStringLiteral("restartApp: ")) ? "logged"
                                                                                  : "silent");
    return 0;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::DevServiceProcess> m_service;

    // A stand-in answering the given date (empty: today), with requests recorded.
    void serviceWithDate(const QString& date = QString())
    {
        m_service = std::make_unique<test::DevServiceProcess>();
        test::DevServiceProcess::Config config;
        config.fixedDate = date;
        config.record = true;
        QVERIFY(m_service->start(config));
        setServiceBaseAddress(m_service->baseUrl());
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
        QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
        installSettingsFormat();
        setProcessProbe(nothingRuns);
    }

    void cleanup()
    {
        QSettings().clear();
        removeAutostartEntry();
        m_service.reset();
    }

    void serverDateWithinOneDayBuildsTheDownloadTab_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("dateOk");
        QTest::newRow("same day") << 0 << true;
        QTest::newRow("one day before") << -1 << true;
        QTest::newRow("one day after") << 1 << true;
        QTest::newRow("two days before") << -2 << false;
        QTest::newRow("two days after") << 2 << false;
    }

    void serverDateWithinOneDayBuildsTheDownloadTab()
    {
        QFETCH(int, offset);
        QFETCH(bool, dateOk);
        serviceWithDate(QDate::currentDate().addDays(offset).toString(Qt::ISODate));
        writeStartupSettings(true);
        MessageBoxCatcher boxes;
        MainWindow window;
        QCOMPARE(startupTitles(boxes), dateOk ? QStringList() : QStringList{dateTitle});
        QCOMPARE(window.mainTabs()->count(), dateOk ? 2 : 1);
        QCOMPARE(window.downloadTab() != nullptr, dateOk);
        if (!dateOk) {
            const auto box = boxes.boxes().first();
            QCOMPARE(box.text, dateText);
            QCOMPARE(box.icon, int(QMessageBox::Critical));
            QVERIFY(box.onlyOk);
        }
    }

    void getServerDateReadsTheServiceDate()
    {
        serviceWithDate(QStringLiteral("2024-04-08"));
        writeStartupSettings(false);
        MessageBoxCatcher boxes;
        MainWindow window;
        boxes.clear();
        QCOMPARE(window.getServerDate(), QDate(2024, 4, 8));
        QVERIFY(boxes.boxes().isEmpty());
    }

    void unreadableAnswerGivesOnlyTheDateMessage_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("date-time") << QByteArray("[{\"CURDATE()\":\"2024-04-08 10:15:00\"}]");
        QTest::newRow("empty array") << QByteArray("[]");
        QTest::newRow("HTML page") << QByteArray("<html><body>Service</body></html>");
    }

    void unreadableAnswerGivesOnlyTheDateMessage()
    {
        QFETCH(QByteArray, body);
        test::CannedHttpServer peer(test::CannedHttpServer::okResponse("application/json", body));
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        writeStartupSettings(true);
        MessageBoxCatcher boxes;
        MainWindow window;
        QCOMPARE(boxes.titles(), QStringList{dateTitle});
        QCOMPARE(window.mainTabs()->count(), 1);
    }

    void unreachableServiceGivesConnectionThenDateMessage()
    {
        setServiceBaseAddress(QStringLiteral("http://127.0.0.1:%1/").arg(test::unusedPort()));
        writeStartupSettings(true);
        test::LogCapture log;
        MessageBoxCatcher boxes;
        MainWindow window;
        QCOMPARE(boxes.titles(), (QStringList{connectionTitle, dateTitle}));
        const auto connection = boxes.boxes().first();
        QCOMPARE(connection.text, connectionText);
        QCOMPARE(connection.icon, int(QMessageBox::Critical));
        QVERIFY(connection.onlyOk);
        QCOMPARE(window.mainTabs()->count(), 1);
        // The error text goes out with no operation name in front.
        QVERIFY(log.lines().contains(QStringLiteral("Error: Connection refused")));
    }

    void missingBrowserProxyGivesThreeMessagesInARow()
    {
        serviceWithDate();
        writeStartupSettings(true);
        {
            QSettings settings;
            settings.setValue(keys::networkProxyUse, true);
            settings.setValue(keys::networkProxyBrowser, true);
            settings.setValue(keys::networkProxyHttp, true);
        }
        qunsetenv("http_proxy");
        MessageBoxCatcher boxes;
        MainWindow window;
        QCOMPARE(boxes.titles(), (QStringList{proxyTitle, connectionTitle, dateTitle}));
        QCOMPARE(window.mainTabs()->count(), 1);
    }

    void dateQueryGoesThroughTheStoredProxy()
    {
        // The "proxy" answers the date itself; the service address does not exist.
        test::CannedHttpServer proxy(test::CannedHttpServer::okResponse(
            "application/json",
            "[{\"CURDATE()\":\"" + QDate::currentDate().toString(Qt::ISODate).toLatin1() + "\"}]"));
        QVERIFY(proxy.listen());
        setServiceBaseAddress(QStringLiteral("http://service.invalid/"));
        writeStartupSettings(false);
        {
            QSettings settings;
            settings.setValue(keys::networkProxyUse, true);
            settings.setValue(keys::networkProxyBrowser, false);
            settings.setValue(keys::networkProxyHttp, true);
            settings.setValue(keys::networkProxyAddress, QStringLiteral("127.0.0.1"));
            settings.setValue(keys::networkProxyPort, QUrl(proxy.baseUrl()).port());
        }
        MessageBoxCatcher boxes;
        MainWindow window;
        QCOMPARE(startupTitles(boxes), QStringList());
        QVERIFY(!proxy.requests().isEmpty());
        QVERIFY(proxy.requests().first().startsWith("POST http://service.invalid/api/ HTTP/1.1"));
    }

    void firstRunWritesEveryDefaultAndTheAutostartEntry()
    {
        serviceWithDate();
        QVERIFY(QSettings().allKeys().isEmpty());
        QVERIFY(!autostartEntryExists());
        MessageBoxCatcher boxes;
        MainWindow window;
        const QSettings settings;
        QStringList expectedKeys;
        for (const auto& [key, value] : keys::firstRunDefaults()) {
            expectedKeys << key;
            QCOMPARE(settings.value(key).toString(), value.toString());
        }
        QStringList written = settings.allKeys();
        written.sort();
        expectedKeys.sort();
        QCOMPARE(written, expectedKeys);
        QCOMPARE(written.size(), 21);
        QVERIFY(autostartEntryExists());
        QCOMPARE(autostartEntryValue(),
                 QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
        // Neither estimate program is on yet: the settings tab alone.
        QCOMPARE(window.mainTabs()->count(), 1);
    }

    void laterStartsWriteNothing()
    {
        serviceWithDate();
        {
            MainWindow first;
        }
        QVERIFY(removeAutostartEntry());
        QSettings settings;
        settings.setValue(keys::rikKey, QStringLiteral("777"));
        settings.sync();
        const QStringList keysBefore = settings.allKeys();
        {
            MainWindow second;
        }
        settings.sync();
        QCOMPARE(settings.allKeys(), keysBefore);
        QCOMPARE(settings.value(keys::rikKey).toString(), QStringLiteral("777"));
        QVERIFY(!autostartEntryExists());
    }

    void storeWithSomeKeysIsNotCompleted()
    {
        serviceWithDate();
        {
            QSettings settings;
            settings.setValue(keys::generalUseRik, false);
            settings.setValue(keys::networkProxyAddress, QStringLiteral("p.local"));
        }
        MainWindow window;
        const QSettings settings;
        QCOMPARE(settings.allKeys().size(), 2);
        QVERIFY(!settings.contains(keys::generalAutostart));
        QCOMPARE(settings.value(keys::networkProxyPort).toInt(), 0);
        QVERIFY(!autostartEntryExists());
    }

    void settingsTabAloneKeepsTheStatusBar()
    {
        serviceWithDate();
        writeStartupSettings(false);
        MainWindow window;
        window.show();
        QCOMPARE(window.mainTabs()->count(), 1);
        QVERIFY(window.mainTabs()->tabText(0).isEmpty());
        QVERIFY(!window.mainTabs()->tabIcon(0).isNull());
        QCOMPARE(window.mainTabs()->widget(0), static_cast<QWidget*>(window.homeTab()));
        QCOMPARE(window.centralWidget(), static_cast<QWidget*>(window.mainTabs()));
        QVERIFY(window.statusBar()->isVisible());
    }

    void downloadTabOpensFirstAndIsRebuiltOnEveryReturn()
    {
        serviceWithDate();
        writeStartupSettings(true);
        MessageBoxCatcher boxes;
        MainWindow window;
        window.show();
        QCOMPARE(window.mainTabs()->count(), 2);
        QCOMPARE(window.mainTabs()->tabText(1), QStringLiteral("Загрузки"));
        QCOMPARE(window.mainTabs()->currentIndex(), 1);
        QVERIFY(window.statusBar()->isVisible());
        const int afterFirstBuild = m_service->recorded().size();
        QVERIFY(afterFirstBuild > 1); // the date query and the catalogue

        window.mainTabs()->setCurrentIndex(0);
        QVERIFY(!window.statusBar()->isVisible());
        QCOMPARE(m_service->recorded().size(), afterFirstBuild);

        window.mainTabs()->setCurrentIndex(1);
        QVERIFY(window.statusBar()->isVisible());
        QVERIFY(m_service->recorded().size() > afterFirstBuild);
    }

    void settingsTabAlsoHearsTheMainTabChanges()
    {
        serviceWithDate();
        writeStartupSettings(true);
        MessageBoxCatcher boxes;
        MainWindow window;
        QSignalSpy inner(window.homeTab()->innerTabs(), &QTabWidget::currentChanged);
        window.mainTabs()->setCurrentIndex(0);
        window.mainTabs()->setCurrentIndex(1);
        QCOMPARE(inner.size(), 2);
        QCOMPARE(inner.at(0).at(0).toInt(), 0);
        QCOMPARE(inner.at(1).at(0).toInt(), 1);
    }

    void trayMenuAndIcon()
    {
        serviceWithDate();
        writeStartupSettings(true);
        MessageBoxCatcher boxes;
        MainWindow window;
        QVERIFY(trayIcon());
        QCOMPARE(trayIcon()->parent(), &window);
        QStringList texts;
        for (QAction* action : trayIcon()->contextMenu()->actions())
            texts << action->text();
        QCOMPARE(texts, (QStringList{"Свернуть", "Восстановить", "Выход"}));
        QVERIFY(!trayIcon()->icon().isNull());

        // The catalogue chooses the image after each build.
        const QString updatesIcon = QStringLiteral(":/zelvinoraPAisNew.ico");
        emit window.downloadTab()->trayIconImageChanged(updatesIcon);
        QCOMPARE(trayIcon()->icon().pixmap(32).toImage(), QIcon(updatesIcon).pixmap(32).toImage());
    }

    void minimisingHidesAndTheTrayBringsTheWindowBack()
    {
        serviceWithDate();
        writeStartupSettings(false);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        minimise(window);
        QVERIFY(window.isHidden());

        window.trayIconActivated(QSystemTrayIcon::Context);
        window.trayIconActivated(QSystemTrayIcon::MiddleClick);
        QVERIFY(window.isHidden());

        window.trayIconActivated(QSystemTrayIcon::Trigger);
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());

        trayAction(QStringLiteral("Свернуть"))->trigger();
        QVERIFY(window.isHidden());
        window.trayIconActivated(QSystemTrayIcon::DoubleClick);
        QVERIFY(window.isVisible());

        minimise(window);
        QVERIFY(window.isHidden());
        trayAction(QStringLiteral("Восстановить"))->trigger();
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
    }

    void quitEndsTheClientWhileHidden()
    {
        serviceWithDate();
        writeStartupSettings(false);
        MainWindow window;
        window.show();
        minimise(window);
        QVERIFY(window.isHidden());
        QTimer::singleShot(0, trayAction(QStringLiteral("Выход")), &QAction::trigger);
        // Only a quit that did not happen reaches this.
        QTimer::singleShot(60000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    void savedGeneralPageStartsANewCopyAndCloses()
    {
        serviceWithDate();
        writeStartupSettings(false);
        QTemporaryDir folder;
        const QString marker = folder.filePath(QStringLiteral("restarted"));
        qputenv("ZV_RESTART_MARKER", marker.toUtf8());
        MainWindow window;
        window.show();
        emit window.homeTab()->saveSet();
        qunsetenv("ZV_RESTART_MARKER");
        QVERIFY(!window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(marker).size() > 0, 30000);
        QFile file(marker);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList seen = QString::fromUtf8(file.readAll()).split('\n');
        QCOMPARE(seen.value(0), QCoreApplication::applicationFilePath());
        QCOMPARE(seen.value(1), QFileInfo(QCoreApplication::applicationFilePath()).absolutePath());
        // The new copy is told which copy to wait for.
        QCOMPARE(seen.value(2), QStringLiteral("--restarted-after %1").arg(QCoreApplication::applicationPid()));
    }

    void restartThatCannotStartKeepsTheWindowOpen()
    {
        QTemporaryDir folder;
        const QString copy = folder.filePath(QStringLiteral("client-copy"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZV_RESTART_CANNOT_START"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.start(copy, QStringList());
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.readAllStandardOutput(), QByteArray("open logged"));
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZV_RESTART_MARKER"))
        return reportRestart();
    if (qEnvironmentVariableIsSet("ZV_RESTART_CANNOT_START"))
        return restartThatCannotStart();
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
