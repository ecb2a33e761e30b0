// The catalogue through the real download tab, against the stand-in service
// with an account of its own, fixture WinRIK and Гранд-Смета folders and real
// 7-Zip: which rows a build lists, in which order and with which status; the
// category filter, the only-new rule and the select-all header; the client's
// own update; the subscription panels; and what the download and install
// actions leave in the rows, the cache and the folders.
#include "catalogue/categorytree.h"
#include "catalogue/downloadtab.h"
#include "service/downloadcache.h"
#include "service/filedownload.h"
#include "service/serviceaddress.h"
#include "service/statements.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/support/archivebuilder.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTreeWidget>
#include <QtTest>

using namespace zv;

namespace {
const QString clientVersion = QStringLiteral("2.1.240408");
const QString url7 = QStringLiteral("update_grand/grand_0cfo_2024_4.zip");
const QString newIcon = QStringLiteral(":/zelvinoraPAisNew.ico");
const QString kursk = QStringLiteral("IND/Государственные/Минстрой (РИМ) Зелвинора/Центральный "
                                     "федеральный округ/Курская область/");
QDateTime at(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}
QString colourOf(const QString& style)
{
    return style.section(QLatin1Char(':'), 1).remove(QLatin1Char(';')).trimmed();
}
QString idsOf(const QList<test::CatalogueRowView>& rows, bool (*pick)(const test::CatalogueRowView&))
{
    QStringList ids;
    for (const auto& row : rows) {
        if (pick(row))
            ids << row.id;
    }
    return ids.join(QLatin1Char(' '));
}
} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;
    QTemporaryDir m_rik, m_grand, m_files;
    QStringList m_boxes;
    QTimer m_boxCloser;

    // "key=value;..." over the defaults: both programs, every row shown.
    void applySettings(const QString& overrides)
    {
        QSettings settings;
        settings.clear();
        const QStringList defaults = {"general/userik=true", "general/usegrand=true",
                                      "rik/key=123", "rik/path=" + m_rik.path(),
                                      "grand/keyserial=12345 abc", "grand/keynumber=00077 xyz",
                                      "grand/path=" + m_grand.path()};
        setServiceBaseAddress(m_service.baseUrl());
        for (const QString& pair : defaults + overrides.split(';', Qt::SkipEmptyParts)) {
            if (pair.startsWith("address="))
                setServiceBaseAddress(pair.section('=', 1));
            else
                settings.setValue(pair.section('=', 0, 0), pair.section('=', 1));
        }
    }
    static void rebuild(DownloadTab& tab) { test::buttonOf(tab, "updateButton")->click(); }
    static void clickNode(DownloadTab& tab, const QString& key)
    {
        auto* tree = tab.findChild<QTreeWidget*>("tree");
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if (category::keyOf(*it) == key)
                emit tree->itemClicked(*it, 0);
        }
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setOrganizationName("ZelvinoraTest");
        QCoreApplication::setApplicationVersion(clientVersion);
        test::DevServiceProcess::Config config;
        config.demo = false;
        config.record = true;
        config.filesDir = m_files.path();
        QVERIFY(m_service.start(config));
        for (const char* statement : {
                 "INSERT INTO `ключи` VALUES (123, 'SPB', '2026-12-31', '2026-06-30', '2027-03-31', "
                 "'2026-01-15', '2026-11-20 09:30:15', '2.1'), (124, 'SPB', '', '', '', '', "
                 "'2026-11-20 09:30:16', '2.1'), (125, 'SPB', '', '', '', '', NULL, '2.1')",
                 "INSERT INTO `ключиГранд` VALUES (9001, '12345 abc', '00077 xyz', '2027-01-31', "
                 "'нет', '2026-12-31'), (9002, '12345 o''k', '1', '2024-02-29', NULL, NULL), "
                 "(9003, '2', '2', NULL, NULL, NULL)",
                 "INSERT INTO `currentProductVersion` VALUES ('rik', '2.1.240408'), "
                 "('zelvinoraPA', '2.1.240408')",
                 "INSERT INTO `норм_база` VALUES ('0CFO', 'Центральный ФО', NULL, NULL, '', "
                 "'Индексы/ЦФО_'), ('SPB1', 'ТСН СПб', NULL, NULL, 'SPB/', 'Индексы/СПб_'), "
                 "('FER2020', 'ФЕР-2020', '5.1', '2026-10-01 08:00:59', '', ''), "
                 "('ter2001', 'ТЕР-2001', '3', NULL, '', ''), ('MGN2024', 'МГН-2024', '1', "
                 "'2026-01-01 00:00:00', '', ''), ('ind5', 'И', '1', NULL, '', ''), "
                 "('smr1', 'С', '1', NULL, '', ''), ('abcfo', 'О', '1', NULL, '', '')",
                 "INSERT INTO `индекс` VALUES (1, '0CFO', '4', '2024', '2024-11-01 10:00:00'), "
                 "(2, 'spb1', '01', '2024', '2024-02-01T09:00:00'), (3, '0cfo', '3', '2024', "
                 "'2024-08-01 10:00:00'), (4, 'SPB1', '2', '2024', NULL), "
                 "(7, '0cfo', '4', '2024', NULL), (8, 'spb1', '03', '2023', NULL)",
                 "INSERT INTO `разрешениеИнд` VALUES (123, 2), (123, 1), (123, 3), (123, 4), "
                 "(9001, 7), (9001, 8), (9003, 8)",
                 "INSERT INTO `разрешениеНБ` VALUES (123, 'FER2020'), (123, 'ter2001'), "
                 "(123, 'MGN2024'), (123, 'ind5'), (123, 'smr1'), (123, 'abcfo')",
                 "INSERT INTO `current_var` (`number`, `type`, `name`, `lastChange`) VALUES "
                 "(7, 'loc', 'Концовка ФЕР (локальная)', '2026-10-20 10:11:12'), "
                 "(12, 'res', 'Ресурсная концовка', '2026-09-01 08:00:30'), "
                 "(3, 'obj', 'Объектная сводка', '2026-05-05 05:05:05')"})
            QVERIFY2(m_service.sql(QString::fromUtf8(statement)), statement);
        // Installed: FER 5 with НР и СП of the service's minute, TER 3, WinRIK
        // 2.1.240408, the user file, Q4 2024 of Курская область, Q3 2023 of
        // СПб for Гранд-Смета, the resource endings record. The local endings
        // record and the СПб index file are a second older than the service's.
        test::WinRikFolderBuilder rik(m_rik.path());
        const auto dir = [&rik](const QString& f) { return QString(rik.path(f) + "/").replace('/', '\\'); };
        zv::VAR loc, res;
        loc.number = 7, res.number = 12, loc.nn = res.nn = 1;
        QVERIFY2(rik.writeInstal({{"FER", "FER2020", dir("BASES/FER_fer2020")},
                                  {"TER", "ter2001", dir("BASES/TER_ter2001")}}) &&
                     rik.writeNbIni("BASES/FER_fer2020", "5", "ФЕР") &&
                     rik.writeDealerIni("BASES/FER_fer2020", "2026-10-01 08:00") &&
                     rik.writeNbIni("BASES/TER_ter2001", "3", "ТЕР") &&
                     rik.writeLastChange(clientVersion) &&
                     rik.writeFile("user.rik", "user", at("2026-11-20T09:30:15")) &&
                     rik.writeFile(kursk + "ind_2412.dbf", "i", at("2024-11-01T10:00:00")) &&
                     rik.writeFile("SPB/IND/ind_2401.dbf", "i", at("2024-02-01T08:59:59")) &&
                     rik.writeEndingsTable("loc", {loc}) && rik.writeEndingsTable("res", {res}) &&
                     rik.writeEndingsRecordFile("loc", 7, at("2026-10-20T10:11:11")) &&
                     rik.writeEndingsRecordFile("res", 12, at("2026-09-01T08:00:30")),
                 qPrintable(rik.errorString()));
        QVERIFY(QDir().mkpath(m_grand.path() + "/Индексы/СПб_2023_3"));
        connect(&m_boxCloser, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                m_boxes << box->windowTitle() + ": " + box->text();
                box->done(QMessageBox::Ok);
            }
        });
        m_boxCloser.start(20);
    }

    void init()
    {
        applySettings({});
        QCoreApplication::setApplicationVersion(clientVersion);
        QDir(downloadCacheFolder()).removeRecursively();
        QDir(m_grand.path() + "/Индексы/ЦФО_2024_4").removeRecursively();
        QFile::remove(m_files.filePath(url7));
        m_boxes.clear();
    }

    void rowMembership_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("itemClass");
        QTest::addColumn<bool>("belongs");
        QTest::newRow("root, no class") << "myFiles" << "" << true;
        QTest::newRow("rik, program version") << "rik" << "rik" << true;
        QTest::newRow("rik, user file") << "rik" << "rikUser" << true;
        QTest::newRow("rik, no class") << "rik" << "" << false;
        QTest::newRow("rik, client") << "rik" << "zelvinoraPA" << false;
        QTest::newRow("bases, НР и СП") << "rikNB" << "rikNRSP" << false;
        QTest::newRow("letter case") << "rikind" << "rikInd" << false;
    }
    void rowMembership()
    {
        QFETCH(QString, node);
        QFETCH(QString, itemClass);
        QFETCH(bool, belongs);
        QCOMPARE(category::rowBelongsTo(node, itemClass), belongs);
    }

    void everyRowOfAFullBuild()
    {
        DownloadTab tab(nullptr);
        // Requests that come while the build waits for the service (the
        // button again, a tab switch) must not empty the table beneath it.
        for (int i = 0; i < 3; ++i)
            QTimer::singleShot(0, &tab, [&tab] { tab.updateLicList(); });
        rebuild(tab);
        QStringList rows;
        for (const auto& row : test::rowsOf(tab)) {
            rows << QStringList{row.title, row.status, colourOf(row.statusStyle), row.id, row.url,
                                row.itemClass}.join('|');
            QCOMPARE(colourOf(row.titleStyle), row.itemClass == "grandInd" ? "lightcyan" : "floralwhite");
        }
        QCOMPARE(rows, QStringList({
            "Обновление файла пользователя user.rik|Установлено|floralwhite|123|"
            "update/userszip/123.zip|rikUser",
            "РИК версия 2.1 2.1.240408|Установлено|aquamarine|2.1|update/winrik_2.1.zip|rik",
            "Индексы и ТЦ (4 квартал 2024 год к Центральный ФО)|Установлено|aquamarine|1|"
            "update/spb/rik_0cfo_2024_4.zip|rikInd",
            "Индексы и ТЦ (3 квартал 2024 год к Центральный ФО)|Доступно обновление|floralwhite|3|"
            "update/spb/rik_0cfo_2024_3.zip|rikInd",
            "Индексы и ТЦ (01 квартал 2024 год к ТСН СПб)|Доступно обновление|floralwhite|2|"
            "update/spb/rik_spb1_2024_01.zip|rikInd",
            "Индексы и ценники (03 квартал 2023 год к ТСН СПб)|Установлено|aquamarine|8|"
            "update_grand/grand_spb1_2023_03.zip|grandInd",
            "Индексы и ценники (4 квартал 2024 год к Центральный ФО)|Доступно обновление|lightcyan|"
            "7|update_grand/grand_0cfo_2024_4.zip|grandInd",
            "ФЕР-2020|Доступно обновление|floralwhite|fer2020|downloads/nb/spb/fer2020.zip|rikNB",
            "НР и СП к ФЕР-2020|Установлено|aquamarine|nrsp_fer2020|update/nrsp/nrsp_fer2020.zip|"
            "rikNRSP",
            "ТЕР-2001|Установлено|aquamarine|ter2001|downloads/nb/spb/ter2001.zip|rikNB",
            "МГН-2024|Доступно обновление|floralwhite|mgn2024|downloads/nb/spb/mgn2024.zip|rikNB",
            "НР и СП к МГН-2024|Доступно обновление|floralwhite|nrsp_mgn2024|"
            "update/nrsp/nrsp_mgn2024.zip|rikNRSP",
            "Концовка ФЕР (локальная)|Доступно обновление|floralwhite|loc_7|"
            "update/var/loc_7.dbf.zip|rikVarLoc",
            "Ресурсная концовка|Установлено|aquamarine|res_12|update/var/res_12.dbf.zip|rikVarRes",
            "Объектная сводка|Доступно обновление|floralwhite|obj_3|update/var/obj_3.dbf.zip|"}));
        // Only an installed base is asked for its current version.
        QVERIFY(m_service.recordedStatements().contains(statements::baseVersion("fer2020")));
        QVERIFY(!m_service.recordedStatements().contains(statements::baseVersion("mgn2024")));
    }

    void filtersCacheAndFailures_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("cached");
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("visible");
        QTest::addColumn<QString>("waiting");
        QTest::addColumn<QString>("tray");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("category РИК") << "" << QStringList() << "rik"
            << "123 2.1 1 3 2 fer2020 nrsp_fer2020 ter2001 mgn2024 nrsp_mgn2024 loc_7 res_12"
            << "" << newIcon << QStringList();
        QTest::newRow("category Концовки") << "" << QStringList() << "rikVar" << "loc_7 res_12" << ""
                                           << newIcon << QStringList();
        QTest::newRow("only new, archives cached") << "general/onlynew=true"
            << QStringList{"update/userszip/123.zip", "update/spb/rik_spb1_2024_01.zip",
                           "update/spb/rik_0cfo_2024_4.zip", "downloads/nb/spb/fer2020.zip",
                           "update/nrsp/nrsp_fer2020.zip", url7, "update/var/loc_7.dbf.zip"}
            << "" << "3 2 7 fer2020 mgn2024 nrsp_mgn2024 loc_7 obj_3" << "123 2 7 fer2020 loc_7"
            << newIcon << QStringList();
        QTest::newRow("only new, category РИК") << "general/onlynew=true" << QStringList() << "rik"
            << "3 2 fer2020 mgn2024 nrsp_mgn2024 loc_7" << "" << newIcon << QStringList();
        QTest::newRow("user file changed a second later") << "general/onlynew=true;rik/key=124"
            << QStringList() << "" << "124 7 loc_7 obj_3" << "" << newIcon << QStringList();
        QTest::newRow("user file without a change time") << "general/onlynew=true;rik/key=125"
            << QStringList() << "" << "7 loc_7 obj_3" << "" << newIcon << QStringList();
        QTest::newRow("WinRIK folder missing") << "general/onlynew=true;rik/path=/nonexistent"
            << QStringList{"update/winrik_2.1.zip"} << "" << "123 2.1 1 3 2 7" << "2.1" << newIcon
            << QStringList();
        // A key that is not a number breaks every statement that carries it:
        // those rows are gone, the others stay.
        QTest::newRow("WinRIK queries fail") << "general/onlynew=true;rik/key=abc"
            << QStringList{"update/userszip/0.zip"} << "" << "7 loc_7 obj_3" << "0" << newIcon
            << QStringList{"isNewUser:", "addVersionUpdateRik:", "getLicIndRik: ", "getLicNB: "};
        QTest::newRow("Гранд-Смета only") << "general/userik=false" << QStringList() << "" << "8 7"
                                          << "" << newIcon << QStringList();
        QTest::newRow("nothing new, only new")
            << "general/userik=false;general/onlynew=true;grand/keyserial=2;grand/keynumber=2"
            << QStringList() << "" << "" << "" << ":/zelvinoraPA2.ico" << QStringList();
    }
    void filtersCacheAndFailures()
    {
        QFETCH(QString, settings);
        QFETCH(QStringList, cached);
        QFETCH(QString, node);
        QFETCH(QString, visible);
        QFETCH(QString, waiting);
        QFETCH(QString, tray);
        QFETCH(QStringList, errors);
        applySettings(settings);
        for (const QString& url : cached) {
            QVERIFY(makeCacheFolder(QFileInfo(cachePathOf(url)).absolutePath()));
            QFile file(cachePathOf(url));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("archive") == 7);
        }
        test::LogCapture log;
        DownloadTab tab(nullptr);
        QSignalSpy trayImage(&tab, &DownloadTab::trayIconImageChanged);
        rebuild(tab);
        const QString built = idsOf(test::rowsOf(tab), [](const auto& r) { return !r.hidden; });
        if (!node.isEmpty())
            clickNode(tab, node);
        QCOMPARE(idsOf(test::rowsOf(tab), [](const auto& r) { return !r.hidden; }), visible);
        QCOMPARE(idsOf(test::rowsOf(tab), [](const auto& r) { return r.status == "Ожидает установки"; }),
                 waiting);
        QCOMPARE(trayImage.count(), 1);
        QCOMPARE(trayImage.first().first().toString(), tray);
        for (const QString& prefix : errors)
            QVERIFY2(log.contains("Error", prefix), qPrintable(prefix));
        // A build ends with every category shown, whatever node was chosen.
        rebuild(tab);
        QCOMPARE(idsOf(test::rowsOf(tab), [](const auto& r) { return !r.hidden; }), built);
        QCOMPARE(m_boxes.join(' ').contains("список нормативных не обновлен!"),
                 settings.contains("rik/path"));
    }

    void newerClientIsListedAlone_data()
    {
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("row");
        QTest::newRow("a day later") << clientVersion << "2.1.240409"
                                     << "Личный кабинет Зелвинора 2.1.240409";
        QTest::newRow("a version later") << "2.0.231231" << "3.0.251231"
                                         << "Личный кабинет Зелвинора 3.251231";
        QTest::newRow("older on the service") << clientVersion << "2.0.990101" << "";
    }
    void newerClientIsListedAlone()
    {
        QFETCH(QString, own);
        QFETCH(QString, service);
        QFETCH(QString, row);
        QCoreApplication::setApplicationVersion(own);
        const QString setVersion = "UPDATE `currentProductVersion` SET `Version` = '%1' WHERE "
                                   "`ProductName` = 'zelvinoraPA'";
        QVERIFY(m_service.sql(setVersion.arg(service)));
        applySettings("general/onlynew=true");
        const QString setup = "downloads/accessories/zelvinorapasetup.exe";
        QVERIFY(makeCacheFolder(QFileInfo(cachePathOf(setup)).absolutePath()));
        QFile(cachePathOf(setup)).open(QIODevice::WriteOnly);
        DownloadTab tab(nullptr);
        QSignalSpy trayImage(&tab, &DownloadTab::trayIconImageChanged);
        rebuild(tab);
        QVERIFY(m_service.sql(setVersion.arg(clientVersion)));
        const auto rows = test::rowsOf(tab);
        QCOMPARE(trayImage.count(), row.isEmpty() ? 1 : 0);
        if (row.isEmpty()) {
            QCOMPARE(rows.size(), 15);
            return;
        }
        QCOMPARE(rows.size(), 1);
        QCOMPARE(QStringList({rows[0].title, rows[0].status, colourOf(rows[0].statusStyle), rows[0].id,
                              rows[0].url, rows[0].itemClass})
                     .join('|'),
                 row + "|Доступно обновление|floralwhite|zelvinoraPA|" + setup + "|zelvinoraPA");
        QVERIFY(rows[0].isNew && !rows[0].hidden);
    }

    void subscriptionPanels_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("panels");
        QTest::newRow("both") << "" << QStringList{
            "Подписки на ПК РИК до:|Обновление программы:|31.12.2026|Пакет \"Зелвинора\":|"
            "30.06.2026|Обновление БД ГСН:|31.03.2027|\"Индексы Минстроя РФ\":|15.01.2026",
            "Подписки на Гранд-Смета до:|Обновление программы:|31.01.2027|Обновление БД ГСН:||"
            "Обновление БД \"ГРАНД-СтройМатериалы\":|31.12.2026"};
        QTest::newRow("quote in the key") << "general/userik=false;grand/keyserial=12345 o'k;"
                                             "grand/keynumber=1" << QStringList{
            "Подписки на Гранд-Смета до:|Обновление программы:|29.02.2024|Обновление БД ГСН:||"
            "Обновление БД \"ГРАНД-СтройМатериалы\":|"};
        QTest::newRow("service unreachable")
            << QString("address=http://127.0.0.1:%1/").arg(test::unusedPort()) << QStringList();
    }
    void subscriptionPanels()
    {
        QFETCH(QString, settings);
        QFETCH(QStringList, panels);
        applySettings(settings);
        test::LogCapture log;
        DownloadTab tab(nullptr);
        QStringList seen;
        for (auto* group : tab.findChildren<QGroupBox*>()) {
            QStringList texts{group->title()};
            for (auto* label : group->findChildren<QLabel*>())
                texts << label->text();
            seen << texts.join('|');
        }
        QCOMPARE(seen, panels);
        QCOMPARE(log.contains("Error", "setSubscriptionInfo"), panels.isEmpty());
    }

    void selectAllTicksTheVisibleRows()
    {
        DownloadTab tab(nullptr);
        rebuild(tab);
        QTableWidgetItem* header = tab.findChild<QTableWidget*>("table")->horizontalHeaderItem(0);
        const auto shows = [header](const char* icon) {
            return header->icon().pixmap(16).toImage() == QIcon(icon).pixmap(16).toImage();
        };
        const auto ticked = [&tab] {
            return idsOf(test::rowsOf(tab), [](const auto& r) { return r.ticked; });
        };
        QVERIFY(shows(":/checkoff.ico"));
        test::tick(tab, "ФЕР-2020");
        clickNode(tab, "rikVar");
        emit header->tableWidget()->horizontalHeader()->sectionClicked(0);
        QVERIFY(shows(":/checkon.ico"));
        QCOMPARE(ticked(), QStringLiteral("fer2020 loc_7 res_12"));
        emit header->tableWidget()->horizontalHeader()->sectionClicked(1);
        QCOMPARE(ticked(), QStringLiteral("fer2020 loc_7 res_12"));
        emit header->tableWidget()->horizontalHeader()->sectionClicked(0);
        QVERIFY(shows(":/checkoff.ico"));
        QCOMPARE(ticked(), QStringLiteral("fer2020"));
    }

    // Rows 3 (a WinRIK index) and 7 (a Гранд-Смета index) are new; only 7's
    // archive can be had. The ticked rows are hidden by the category chosen.
    void actions_data()
    {
        QTest::addColumn<bool>("served");
        QTest::addColumn<bool>("cached");
        QTest::addColumn<QStringList>("ticked");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("rebuilt");
        QTest::newRow("download") << true << false << QStringList{"7"} << "downloadButton"
                                  << "7 Ожидает установки aquamarine" << "Ожидает установки";
        QTest::newRow("download missing on the service")
            << false << false << QStringList{"3"} << "downloadButton" << "3 Ошибка tomato"
            << "Доступно обновление";
        QTest::newRow("install what waits") << false << true << QStringList{"3", "7"}
            << "installButton" << "3 Доступно обновление floralwhite, 7 Установлено aquamarine"
            << "Установлено";
        QTest::newRow("download and install") << true << false << QStringList{"3", "7"}
            << "downloadAndInstallButton" << "3 Ошибка tomato, 7 Установлено aquamarine"
            << "Установлено";
        QTest::newRow("install, nothing ticked")
            << false << false << QStringList() << "installButton" << "" << "Доступно обновление";
    }
    void actions()
    {
        QFETCH(bool, served);
        QFETCH(bool, cached);
        QFETCH(QStringList, ticked);
        QFETCH(QString, button);
        QFETCH(QString, outcome);
        QFETCH(QString, rebuilt);
        test::ArchiveBuilder archive;
        archive.addFile("Индексы/ЦФО_2024_4/prices.dbf", "prices");
        QVERIFY(!served || archive.write(m_files.filePath(url7)));
        QVERIFY(!cached || (makeCacheFolder(QFileInfo(cachePathOf(url7)).absolutePath()) &&
                            archive.write(cachePathOf(url7))));
        DownloadTab tab(nullptr);
        rebuild(tab);
        const auto rows = test::rowsOf(tab);
        for (const auto& row : rows) {
            if (ticked.contains(row.id))
                test::tick(tab, row.title);
        }
        clickNode(tab, "rikVar");
        // The main window rebuilds when the user comes back to the tab; here
        // that happens while the action waits.
        QTimer::singleShot(0, &tab, [&tab] { tab.updateLicList(); });
        test::ActionOutcome after(tab);
        test::buttonOf(tab, button)->click();
        QVERIFY(after.taken());
        QStringList seen;
        for (const auto& row : after.rows()) {
            if (ticked.contains(row.id))
                seen << row.id + ' ' + row.status + ' ' + colourOf(row.statusStyle);
        }
        QCOMPARE(seen.join(", "), outcome);
        QCOMPARE(QFile::exists(m_grand.path() + "/Индексы/ЦФО_2024_4/prices.dbf"),
                 outcome.contains("7 Установлено"));
        QFile archiveInCache(cachePathOf(url7)), archiveServed(m_files.filePath(url7));
        QCOMPARE(archiveInCache.open(QIODevice::ReadOnly), rebuilt == "Ожидает установки");
        if (archiveInCache.isOpen())
            QCOMPARE(archiveInCache.readAll(), archiveServed.open(QIODevice::ReadOnly) ? archiveServed.readAll() : "");
        QVERIFY(!QFile::exists(cachePathOf("update/spb/rik_0cfo_2024_3.zip")));
        QCOMPARE(test::rowsOf(tab).size(), rows.size());
        QCOMPARE(test::rowTitled(tab, rows[6].title).status, rebuilt);
        QCOMPARE(idsOf(test::rowsOf(tab), [](const auto& r) { return r.ticked; }), QString());
        for (const char* control : {"updateButton", "downloadButton", "installButton", "downloadAndInstallButton"})
            QVERIFY(test::buttonOf(tab, control)->isEnabled());
        QVERIFY(tab.findChild<QTableWidget*>("table")->isEnabled());
    }

    // The service announces a size or not, then sends a byte at a time until
    // the status cell's bar has taken a progress report, and is cut off.
    void progressBarCountsWhatArrived_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("size announced") << 1000;
        QTest::newRow("size unknown") << 0;
    }
    void progressBarCountsWhatArrived()
    {
        QFETCH(int, size);
        applySettings("general/userik=false");
        DownloadTab tab(nullptr);
        rebuild(tab);
        test::tick(tab, test::titlesOf(tab).at(1));
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        setServiceBaseAddress(QString("http://127.0.0.1:%1/").arg(peer.serverPort()));
        const QByteArray head = size ? "Content-Length: 1000" : "Connection: close";
        int sent = -1;
        QProgressBar seen;
        QTimer feeder;
        connect(&feeder, &QTimer::timeout, [&] {
            auto* socket = peer.findChild<QTcpSocket*>();
            auto* bar = qobject_cast<QProgressBar*>(
                tab.findChild<QTableWidget*>("table")->cellWidget(1, 1));
            if (!bar || !socket || socket->state() != QAbstractSocket::ConnectedState)
                return;
            if (++sent == 0) {
                socket->write("HTTP/1.1 200 OK\r\n" + head + "\r\n\r\n");
            } else if (bar->format() == "%p%" && sent < 999) {
                socket->write("z");
            } else {
                seen.setRange(bar->minimum(), bar->maximum());
                seen.setValue(bar->value());
                seen.setFormat(bar->format());
                setServiceBaseAddress(m_service.baseUrl());
                socket->abort();
            }
        });
        feeder.start(5);
        test::buttonOf(tab, "downloadButton")->click();
        QCOMPARE(seen.maximum(), size);
        QVERIFY(seen.value() < sent && (size == 0 || seen.value() > 0));
        bool counted = false;
        for (int bytes = 1; bytes < sent && !counted; ++bytes)
            counted = seen.format() == progressText(bytes, size ? size : -1);
        QVERIFY2(counted, qPrintable(seen.format()));
        QVERIFY(size == 0 || !QFile::exists(cachePathOf(url7)));
    }
};

QTEST_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
