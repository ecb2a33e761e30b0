// The client's window in this process: the restart, the rules the start-up
// checks decide by, the text form of the settings store, and the settings
// pages through their real controls (greying, cancelling, saving, the
// connection test, the download cache, the WinRIK folder finder).
#include "app/mainwindow.h"
#include "app/serverdate.h"
#include "app/trayicon.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/downloadtab.h"
#include "install/processcheck.h"
#include "install/tasklist.h"
#include "service/downloadcache.h"
#include "service/logging.h"
#include "service/serviceaddress.h"
#include "settings/autostart.h"
#include "settings/cachesize.h"
#include "settings/findrikdialog.h"
#include "settings/hometab.h"
#include "settings/localvolumes.h"
#include "settings/setgeneral.h"
#include "settings/setnetwork.h"
#include "settings/settingsstore.h"
#include "tests/support/cannedhttpserver.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/messageboxcatcher.h"
#include "tests/support/testfiles.h"

#include <QtTest>
#include <QtWidgets>

using namespace zv;

namespace {
QByteArray oem(const char* text) { return QTextCodec::codecForName("IBM 866")->fromUnicode(QString::fromUtf8(text)); }

// Windows 10's tasklist for /FI "IMAGENAME eq winrik.exe", English and
// Russian (console code page 866): the table when the program runs, the
// one-line notice when it does not.
QByteArray tasklistOutput(bool russian, bool running)
{
    if (!running)
        return russian ? oem("ИНФОРМАЦИЯ: Задачи, отвечающие заданным критериям, отсутствуют.\r\n")
                       : "INFO: No tasks are running which match the specified criteria.\r\n";
    const QByteArray header = russian ? oem("Имя образа                     PID Имя сессии          № сеанса       Память")
                                      : "Image Name                     PID Session Name        Session#    Mem Usage";
    return "\r\n" + header.leftJustified(76) + "\r\n" + "========================= ======== ================ =========== ============\r\n"
           + "winrik.exe                    5532 Console                    1     45 120 K\r\n";
}

// The stored switches, the boxes clicked, and the proxy grid's state() after.
struct Greying { bool useProxy, auth; QStringList clicks; QString grid; };
} // namespace
Q_DECLARE_METATYPE(Greying)
using test::fileBytes;
using test::writeFile;

class WindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

    static QLineEdit* field(QWidget* page, const char* name) { return page->findChild<QLineEdit*>(name); }
    static QAbstractButton* shown(QWidget* root, const QString& text)
    {
        for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
            if (button->text() == text)
                return button;
        qFatal("no button \"%s\"", qPrintable(text));
    }
    // Check boxes are clicked on their indicator, where a user would.
    static void click(QWidget* root, const QString& text)
    {
        QAbstractButton* button = shown(root, text);
        if (qobject_cast<QCheckBox*>(button))
            return QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        button->click();
    }
    // The group's title colour and how many widgets of its grid are enabled.
    static QString state(QWidget* page, const char* group)
    {
        auto* box = page->findChild<QGroupBox*>(QString::fromLatin1(group));
        int enabled = 0;
        for (QWidget* widget : box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            enabled += widget->isEnabled();
        return box->styleSheet().section(' ', 3, 3) + QString::number(enabled);
    }
    static void store(const QVariantMap& values)
    {
        QSettings settings;
        settings.clear();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
        QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
        // The stand-in's current client: no newer one stands above the catalogue.
        QCoreApplication::setApplicationVersion("2.1.240408");
        installSettingsFormat();
        // Copies of the client started by other tests on this machine must not
        // end the window under test; the built client's test meets the real checks.
        setProcessProbe([](const QString&) { return false; });
    }

    void restart_data()
    {
        QTest::addColumn<bool>("canStart");
        QTest::newRow("new copy starts") << true;
        QTest::newRow("new copy cannot start") << false;
    }

    void restart()
    {
        QFETCH(bool, canStart);
        test::DevServiceProcess service;
        test::DevServiceProcess::Config config;
        config.record = true;
        QVERIFY(service.start(config));
        setServiceBaseAddress(service.baseUrl());
        store({{"general/usegrand", true}, {"grand/keyserial", "12345 abc"}, {"grand/keynumber", "00077 xyz"}});
        const QString marker = m_work.filePath(QTest::currentDataTag());
        const QString program = QCoreApplication::applicationFilePath();
        const QFile::Permissions permissions = QFile::permissions(program);
        MessageBoxCatcher catcher;
        MainWindow window;
        window.show();
        // The settings tab hides the status bar; each return to the catalogue
        // rebuilds it, and what the user ticked stays ticked.
        QAbstractItemModel* rows = window.downloadTab()->findChild<QTableWidget*>("table")->model();
        QVERIFY(rows->setData(rows->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        const int requests = service.recorded().size();
        window.mainTabs()->setCurrentIndex(0);
        QVERIFY(!window.statusBar()->isVisible() && service.recorded().size() == requests);
        window.mainTabs()->setCurrentIndex(1);
        QVERIFY(window.statusBar()->isVisible() && service.recorded().size() > requests);
        QCOMPARE(rows->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        test::LogCapture log;
        qputenv("ZV_RESTART_MARKER", marker.toUtf8());
        QVERIFY(canStart || QFile::setPermissions(program, QFile::ReadOwner));
        emit window.homeTab()->saveSet();
        QFile::setPermissions(program, permissions);
        qunsetenv("ZV_RESTART_MARKER");
        // Closing without a new copy would leave the user with no client at all.
        QCOMPARE(window.isVisible(), !canStart);
        QCOMPARE(log.contains(QStringLiteral("Error"), QStringLiteral("restartApp: ")), !canStart);
        QCOMPARE(catcher.titles().contains(QStringLiteral("Ошибка перезапуска")), !canStart);
        QTRY_VERIFY_WITH_TIMEOUT(!canStart || QFileInfo(marker).size() > 0, 30000);
        // The new copy is told which copy to wait for before its own checks.
        QCOMPARE(QString::fromUtf8(fileBytes(marker)),
                 canStart ? QFileInfo(program).absolutePath() + ' ' + program + " --restarted-after " +
                                QString::number(QCoreApplication::applicationPid())
                          : QString());
    }

    // The running client on its own: the scheduled check rebuilds and tells
    // through the tray, never beneath a download; leaving the client during a
    // download stops it, keeps only its part and then ends the client.
    void runningClient_data()
    {
        QTest::addColumn<int>("hoursLater"); // when the scheduler looks
        QTest::addColumn<QString>("leave");  // during a held download: "Выход" or "close"; "": no download
        QTest::addColumn<QString>("told");
        QTest::newRow("check due") << 2 << "" << "Доступны обновления: 2";
        QTest::newRow("check not yet due") << 0 << "" << "";
        QTest::newRow("due during a download, then Выход") << 2 << "Выход" << "";
        QTest::newRow("due during a download, then the window closed") << 2 << "close" << "";
    }

    void runningClient()
    {
        QFETCH(int, hoursLater);
        QFETCH(QString, leave);
        const QString url = "update_grand/grand_0cfo_2026_4.zip";
        QVERIFY(writeFile(m_work.filePath("files/" + url), "PK", 4 << 20));
        test::DevServiceProcess service;
        test::DevServiceProcess::Config config;
        config.record = true;
        config.filesDir = m_work.filePath("files");
        config.extraArguments = QStringList{"--stall-after", "100000"};
        QVERIFY(service.start(config));
        setServiceBaseAddress(service.baseUrl());
        QDir(downloadCacheFolder()).removeRecursively();
        store({{"general/usegrand", true}, {"general/checkupdatenumber", 1}, {"general/hoursorday", "h"},
               {"grand/keyserial", "12345 abc"}, {"grand/keynumber", "00077 xyz"}, {"grand/path", m_work.filePath("grand")}});
        MessageBoxCatcher catcher;
        MainWindow window;
        window.show();
        QSystemTrayIcon* tray = zv::trayIcon();
        tray->setIcon(QIcon(zv::normalIconPath));
        const qint64 normalIcon = tray->icon().cacheKey();
        test::LogCapture log;
        const int requests = service.recorded().size();
        const auto check = [&] { window.runDueUpdateCheck(QDateTime::currentDateTime().addSecs(hoursLater * 3600)); };
        if (leave.isEmpty()) {
            check();
            QFETCH(QString, told);
            QCOMPARE(service.recorded().size() > requests, !told.isEmpty());
            QCOMPARE(log.contains("Info", told.isEmpty() ? "Доступны обновления: " : told), !told.isEmpty());
            QCOMPARE(tray->icon().cacheKey() != normalIcon, !told.isEmpty());
            return;
        }
        auto* table = window.downloadTab()->findChild<QTableWidget*>("table");
        for (int row = 0; row < table->rowCount(); ++row)
            cells::setTicked(*table, row, cells::urlAt(*table, row) == url);
        const QString part = cachePathOf(url) + ".part";
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (QFileInfo(part).size() < 100000)
                return;
            poll.stop();
            // The running action alone must hold the check back.
            for (int row = 0; row < table->rowCount(); ++row)
                cells::setTicked(*table, row, false);
            check();
            QVERIFY(!log.contains("Info", "runDueUpdateCheck: ") && !log.contains("Info", "Доступны обновления"));
            if (leave == "close")
                window.close();
            for (QAction* action : tray->contextMenu()->actions())
                if (action->text() == leave)
                    action->trigger();
        });
        poll.start(20);
        QTimer::singleShot(60000, &poll, [] { QCoreApplication::exit(1); });
        QTimer::singleShot(0, window.downloadTab()->findChild<QPushButton*>("downloadButton"), &QPushButton::click);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!poll.isActive() && !QFileInfo::exists(cachePathOf(url)));
        QCOMPARE(QFileInfo(part).size(), 100000);
    }

    // The date query is the one exchange that takes the stored proxy choice.
    void dateQueryGoesThroughTheStoredProxy()
    {
        test::CannedHttpServer proxy(test::CannedHttpServer::okResponse(
            "application/json",
            "[{\"CURDATE()\":\"" + QDate::currentDate().toString(Qt::ISODate).toLatin1() + "\"}]"));
        QVERIFY(proxy.listen());
        setServiceBaseAddress(QStringLiteral("http://service.invalid/"));
        store({{"network/proxyuse", true}, {"network/proxyHTTP", true},
               {"network/proxyaddress", "127.0.0.1"}, {"network/proxyport", QUrl(proxy.baseUrl()).port()}});
        MessageBoxCatcher catcher("Скопировать путь");
        MainWindow window;
        QCOMPARE(catcher.titles(), QStringList());
        QVERIFY(proxy.requests().value(0).startsWith("POST http://service.invalid/api/ HTTP/1.1\r\n"));
        // Offscreen no desktop opens the log's folder: the box names the file and copies its path.
        for (QAction* action : zv::trayIcon()->contextMenu()->actions())
            if (action->text() == "Открыть журнал")
                action->trigger();
        QVERIFY(catcher.texts().value(0).contains(supportLogFilePath()));
        QCOMPARE(QGuiApplication::clipboard()->text(), supportLogFilePath());
    }

    void tasklistRules()
    {
        QCOMPARE(tasklist::arguments(QStringLiteral("winrik.exe"), 42),
                 (QStringList{"/FI", "IMAGENAME eq winrik.exe"}));
        QCOMPARE(tasklist::arguments(QStringLiteral("zelvinorapa.exe"), 42),
                 (QStringList{"/FI", "IMAGENAME eq zelvinorapa.exe", "/FI", "PID ne 42"}));
        for (const bool russian : {false, true})
            for (const bool running : {false, true})
                QCOMPARE(tasklist::reportsProcess(tasklistOutput(russian, running)), running);
    }

    void serverDateAnswer()
    {
        const QVector<QPair<QByteArray, QDate>> answers{
            {QByteArray("[{\"CURDATE()\":\"2024-04-08\"}]\0x", 30), QDate(2024, 4, 8)}, // up to the first zero byte
            {"[{\"CURDATE()\":\"2024-04-08 10:15\"}]", QDate()},
            {"[{\"CURDATE()\":\"2024-4-08\"}]", QDate()},
            {"[]", QDate()}};
        for (const auto& [body, date] : answers)
            QCOMPARE(serverDateFromAnswer(body), date);
    }

    void generalPage()
    {
        store({{"general/userik", true}, {"general/hoursorday", "w"}, {"rik/key", "77-1234"},
               {"grand/path", "/srv/Grand"}, {"general/checkupdatenumber", 1}});
        HomeTab host;
        QSignalSpy restarts(&host, &HomeTab::saveSet);
        QWidget* page = host.generalPage();
        host.show();
        QCOMPARE(state(page, "rikGroup") + state(page, "grandGroup"), "black;6grey;0");
        click(page, "Использовать ПК РИК");
        click(page, "Использовать ПК Гранд-Смета");
        QCOMPARE(state(page, "rikGroup") + state(page, "grandGroup"), "grey;0black;7");
        field(page, "rikKey")->setText("edited");
        click(page, "Отменить изменения");
        QCOMPARE(state(page, "rikGroup") + state(page, "grandGroup"), "black;6grey;0");
        QCOMPARE(field(page, "rikKey")->text() + field(page, "checkUpdateNumber")->text(), "77-12341");
        // An unknown unit chooses neither button and is kept on saving.
        QVERIFY(!shown(page, "час")->isChecked() && !shown(page, "день")->isChecked());

        click(page, "Автозагрузка  при старте системы");
        click(page, "Использовать ПК РИК");
        field(page, "rikPath")->setText(" C:\\Win RIK\n ");
        field(page, "grandKeySerial")->setText("12345 abc");
        field(page, "checkUpdateNumber")->setText("3x");
        click(page, "Сохранить изменения");
        // Greyed fields are saved as well, every text as typed.
        QCOMPARE(fileBytes(QSettings().fileName()),
                 "[general]\nautostart=true\ncheckupdatenumber=3x\nhoursorday=w\nonlynew=false\n"
                 "usegrand=false\nuserik=false\n\n[grand]\nkeynumber=\nkeyserial=12345 abc\n"
                 "path=/srv/Grand\n\n[rik]\nkey=77-1234\npath=\\sC:\\\\Win RIK\\n\\s\n");
        click(page, "Отменить изменения");
        QCOMPARE(field(page, "rikPath")->text(), " C:\\Win RIK\n ");
        QCOMPARE(autostartEntryValue(), QCoreApplication::applicationFilePath());
        click(page, "Автозагрузка  при старте системы");
        click(page, "день");
        click(page, "Сохранить изменения");
        QVERIFY(!autostartEntryExists());
        QVERIFY(fileBytes(QSettings().fileName()).contains("\nautostart=false\ncheckupdatenumber=3x\nhoursorday=d\n"));
        // Each save restarts the client, even one that changed nothing.
        click(page, "Сохранить изменения");
        QCOMPARE(restarts.count(), 3);
    }

    void networkGreying_data()
    {
        QTest::addColumn<Greying>("g");
        const QString proxy = "Использовать прокси-сервер", auth = "Использовать авторизацию";
        QTest::newRow("proxy off: the test button alone") << Greying{false, true, {}, "grey;1"};
        QTest::newRow("proxy switched on") << Greying{false, true, {proxy}, "black;15"};
        QTest::newRow("authorisation off: credentials as they were") << Greying{true, false, {}, "black;15"};
        QTest::newRow("authorisation switched off") << Greying{true, true, {auth}, "black;11"};
        QTest::newRow("proxy off and on") << Greying{true, true, {auth, proxy, proxy}, "black;11"};
    }

    void networkGreying()
    {
        QFETCH(Greying, g);
        store({{"network/proxyuse", g.useProxy}, {"network/proxyauth", g.auth}});
        SetNetwork page;
        page.show();
        for (const QString& text : g.clicks)
            click(&page, text);
        QCOMPARE(state(&page, "proxyGroup"), g.grid);
        QVERIFY(shown(&page, "Проверить соединение")->isEnabled());
        QCOMPARE(field(&page, "password")->isEnabled(), g.grid.endsWith("15"));
    }

    // Saved without a restart; the reset brings back the last saved values;
    // the connection test uses the proxy on the page, saved or not.
    void networkSavingResetAndTest()
    {
        test::CannedHttpServer proxy(test::CannedHttpServer::okResponse("text/plain", "ok"));
        QVERIFY(proxy.listen());
        setServiceBaseAddress(QStringLiteral("http://service.invalid/lk/"));
        store({{"network/proxyuse", false}, {"network/proxybrowser", true}});
        HomeTab host;
        QSignalSpy restarts(&host, &HomeTab::saveSet);
        QWidget* page = host.networkPage();
        host.show();
        for (const char* text : {"Использовать прокси-сервер", "Использовать собственные настройки",
                                 "SOCKS5", "Использовать авторизацию"})
            click(page, QString::fromUtf8(text));
        field(page, "address")->setText(" host ");
        field(page, "port")->setText("abc");
        field(page, "password")->setText("p w");
        click(page, "Сохранить изменения");
        QCOMPARE(fileBytes(QSettings().fileName()),
                 "[network]\nproxyHTTP=false\nproxySOCKS5=true\nproxyaddress=\\shost\\s\nproxyauth=true\n"
                 "proxybrowser=false\nproxycustom=true\nproxypass=p w\nproxyport=abc\nproxyuse=true\n"
                 "proxyuser=\n");
        QCOMPARE(restarts.count(), 0);
        field(page, "address")->setText("127.0.0.1");
        field(page, "port")->setText(QString::number(QUrl(proxy.baseUrl()).port()));
        click(page, "HTTP");
        MessageBoxCatcher catcher;
        click(page, "Проверить соединение");
        QCOMPARE(catcher.titles(), QStringList{"Успешное соединение"});
        QVERIFY(proxy.requests().value(0).startsWith("GET http://service.invalid/lk/ HTTP/1.1\r\n"));
        // An HTTP error status is a failure too.
        test::CannedHttpServer missing("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        QVERIFY(missing.listen());
        for (const QString& port : {QString::number(QUrl(missing.baseUrl()).port()), QString("1")}) {
            field(page, "port")->setText(port);
            click(page, "Проверить соединение");
        }
        QCOMPARE(catcher.titles().value(1), "Отсутствует настройка");
        QCOMPARE(catcher.texts().value(2), "Подключение не удалось. Прокси-сервер отказал в соединении "
                                           "(Connection refused). Прокси-сервер: 127.0.0.1");
        // Room for the title beside the window's icon, its close button and the frame.
        QVERIFY(catcher.titleRooms().value(0) >= 6 && catcher.titleRooms().value(1) >= 6);
        click(page, "Установить настройки по умолчанию");
        QVERIFY(field(page, "address")->text() == " host " && shown(page, "SOCKS5")->isChecked());
    }

    void cacheSizeAndClearing_data()
    {
        QTest::addColumn<bool>("planted"); // a link where the cache folder belongs
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes") << false << 1023ll << "1023 B";
        QTest::newRow("a kilobyte") << false << 1024ll << "1 KB";
        QTest::newRow("three digits") << false << 1048575ll << "1.02e+03 KB";
        QTest::newRow("above 2 GiB") << false << 2684354560ll << "2.5 GB";
        QTest::newRow("planted link") << true << 0ll << "0 B";
    }

    void cacheSizeAndClearing()
    {
        QFETCH(bool, planted);
        QFETCH(qint64, bytes);
        QFETCH(QString, shown);
        const QString cache = downloadCacheFolder();
        const QString outside = m_work.filePath(QStringLiteral("documents/estimate.xls"));
        QDir(cache).removeRecursively();
        QFile::remove(cache);
        QVERIFY(writeFile(outside, "x", 5000));
        // Hidden files and sub-folders count; a link to the user's files does not.
        QVERIFY(planted ? QFile::link(QFileInfo(outside).path(), cache)
                        : writeFile(cache + "/rik/ind/a.7z", "", bytes - 23) &&
                              writeFile(cache + "/.b", "", 23) && QFile::link(outside, cache + "/linked"));
        HomeTab host; // computes the size as it opens
        auto* size = host.generalPage()->findChild<QLabel*>(QStringLiteral("cacheSize"));
        QCOMPARE(size->text(), "Размер кэша: " + shown);
        test::LogCapture log;
        click(host.generalPage(), "Очистить кэш");
        QCOMPARE(size->text(), "Размер кэша: 0 B");
        QVERIFY(QFileInfo(outside).size() == 5000 && QFileInfo(cache).isSymLink() == planted);
        QCOMPARE(QFileInfo::exists(cache), planted);
        QCOMPARE(log.contains("Error", "Pri ochistke casha vosnikli problemi"), planted);
        QFile::remove(cache);
        // An empty or relative path would name the working folder.
        QVERIFY(QDir::setCurrent(m_work.path()));
        QVERIFY(!removeFolderTree(QString()) && !removeFolderTree(QStringLiteral("documents/")));
        QVERIFY(QFileInfo::exists(outside));
    }

    void rikFolderFinder()
    {
        const QString c = m_work.filePath(QStringLiteral("c/")), d = m_work.filePath(QStringLiteral("d/"));
        for (const QString& folder : {c + "WinRIK", c + "Programs/WinRIK", c + "Docs", d + "old RIK & Co"})
            QDir().mkpath(folder);
        QVERIFY(writeFile(c + "rik.txt", "x", 1));
        store({{"rik/path", "/stored"}, {"general/userik", true}});
        SetGeneral page;
        page.setRikSearchRoots({c, m_work.filePath(QStringLiteral("missing/")), d});
        page.show();
        for (const bool choose : {false, true}) {
            click(&page, "Найти");
            auto* finder = page.findChildren<FindRikDialog*>().last();
            QStringList offered;
            for (QRadioButton* button : finder->findChildren<QRadioButton*>())
                offered << button->text() + (button->isChecked() ? "*" : "");
            // Top level only, "rik" in any letter case, the roots in order, none chosen.
            QCOMPARE(offered, (QStringList{c + "WinRIK", d + "old RIK && Co"}));
            if (choose)
                finder->findChildren<QRadioButton*>().last()->click();
            click(finder, "Выбрать");
            QCOMPARE(field(&page, "rikPath")->text(), choose ? d + "old RIK & Co" : "/stored");
        }
        page.setRikSearchRoots({m_work.filePath(QStringLiteral("missing/"))});
        click(&page, "Найти");
        QCOMPARE(page.findChildren<FindRikDialog*>().last()->findChildren<QLabel*>().last()->text(),
                 "Не найдено подходящих папок, \nпопробуйте указать напрямую, используя кнопку \"+\"");
        // Linux disk roots: "/" and local disks, never pseudo, memory, network or removable file systems.
        const QList<MountedVolume> volumes{{"/", "overlay", true}, {"/proc", "proc", true}, {"/tmp", "tmpfs", true},
                                           {"/srv/share", "nfs4", true}, {"/mnt/smb", "cifs", true},
                                           {"/media/stick", "vfat", true, true}, {"/home", "ext4", true}, {"/data", "xfs", false}};
        QCOMPARE(fixedVolumeRoots(volumes), (QStringList{"/", "/home/"}));
    }
};

int main(int argc, char* argv[])
{
    // The copy a restart starts: says where and how it was started, and ends.
    QFile marker(qEnvironmentVariable("ZV_RESTART_MARKER"));
    if (marker.open(QIODevice::WriteOnly))
        return marker.write(QDir::currentPath().toUtf8() + ' ' + QByteArrayList(argv, argv + argc).join(' ')) < 0;
    QApplication app(argc, argv);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
