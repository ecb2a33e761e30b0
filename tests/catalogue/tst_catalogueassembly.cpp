// The whole catalogue build through the real download tab: the order of the
// rows, the user file, WinRIK version and client-update items, the tray
// image, the category filter and the select-all header, and builds that
// overlap.
#include "catalogue/downloadtab.h"
#include "service/statements.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/catalogue/catalogueworld.h"

#include <QDir>
#include <QIcon>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

using namespace zv;

namespace {
const QString userFile = QStringLiteral("Обновление файла пользователя user.rik");
const QString rikVersion = QStringLiteral("РИК версия 2.1 2.1.240408");
const QString rikIndex = QStringLiteral("Индексы и ТЦ (4 квартал 2024 год к Центральный ФО)");
const QString grandIndex = QStringLiteral("Индексы и ценники (4 квартал 2024 год к Центральный ФО)");
const QString base = QStringLiteral("ФЕР-2020");
const QString nrsp = QStringLiteral("НР и СП к ФЕР-2020");
const QString ending = QStringLiteral("Концовка");
const QString floral = QStringLiteral("background-color: floralwhite");
const QString aquamarine = QStringLiteral("background-color: aquamarine;");
const QDateTime indexChange(QDate(2024, 11, 1), QTime(10, 0), Qt::LocalTime);
const QDateTime endingChange(QDate(2026, 10, 20), QTime(10, 11, 12), Qt::LocalTime);

bool sameIcon(const QIcon& icon, const QString& path)
{
    return icon.pixmap(16).toImage() == QIcon(path).pixmap(16).toImage();
}
} // namespace

class CatalogueAssemblyTest : public QObject
{
    Q_OBJECT

    test::CatalogueWorld m_world;

    bool setClientVersionOnService(const QString& version)
    {
        return m_world.sql({"UPDATE `currentProductVersion` SET `Version` = '" + version +
                            "' WHERE `ProductName` = 'zelvinoraPA'"});
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        test::CatalogueWorld::Options options;
        options.record = true;
        QVERIFY2(m_world.start(options), qPrintable(m_world.errorString()));
        QVERIFY2(m_world.sql({
                     "INSERT INTO `норм_база` VALUES "
                     "('0CFO', 'Центральный ФО', NULL, NULL, '', 'Индексы/ЦФО_'), "
                     "('FER2020', 'ФЕР-2020', '5', '2026-10-01 08:00:00', '', '')",
                     "INSERT INTO `индекс` VALUES (1, '0CFO', '4', '2024', '2024-11-01 10:00:00'), "
                     "(7, '0cfo', '4', '2024', NULL)",
                     "INSERT INTO `разрешениеИнд` VALUES (123, 1), (9001, 7)",
                     "INSERT INTO `разрешениеНБ` VALUES (123, 'FER2020')",
                     "INSERT INTO `current_var` (`number`, `type`, `name`, `lastChange`) VALUES "
                     "(7, 'loc', 'Концовка', '2026-10-20 10:11:12')",
                 }),
                 qPrintable(m_world.errorString()));
        // Everything the account may get is installed and current.
        test::WinRikFolderBuilder rik = m_world.rik();
        const QString fer = "FER";
        VAR installedEnding;
        installedEnding.number = 7;
        installedEnding.nn = 1;
        installedEnding.name = "Концовка";
        QVERIFY2(rik.writeInstal({{"FER", "fer2020", QString(rik.path(fer) + "/").replace('/', '\\')}}) &&
                     rik.writeNbIni(fer, "5", "ФЕР") && rik.writeDealerIni(fer, "2026-10-01 08:00") &&
                     rik.writeFile("IND/Государственные/Минстрой (РИМ) Зелвинора/Центральный "
                                   "федеральный округ/Курская область/ind_2412.dbf",
                                   "ind", indexChange) &&
                     rik.writeEndingsTable("loc", {installedEnding}) &&
                     rik.writeEndingsRecordFile("loc", 7, endingChange),
                 qPrintable(rik.errorString()));
        QVERIFY(QDir().mkpath(m_world.grandPath() + "/Индексы/ЦФО_2024_4"));
    }

    void init()
    {
        m_world.applySettings(true, true);
        test::CatalogueWorld::clearCache();
        QCoreApplication::setApplicationVersion(test::CatalogueWorld::clientVersion);
        QVERIFY(setClientVersionOnService(test::CatalogueWorld::clientVersion));
    }

    void rowsComeInTheFixedOrder()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QCOMPARE(test::titlesOf(tab),
                 (QStringList{userFile, rikVersion, rikIndex, grandIndex, base, nrsp, ending}));
        QStringList classes;
        for (const auto& row : test::rowsOf(tab))
            classes << row.itemClass;
        QCOMPARE(classes, (QStringList{"rikUser", "rik", "rikInd", "grandInd", "rikNB", "rikNRSP",
                                       "rikVarLoc"}));
    }

    void rebuildStartsFromAnEmptyTable()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::rebuild(tab);
        QCOMPARE(test::titlesOf(tab).size(), 7);
    }

    void onlyGrandRowsWhenWinRikIsNotUsed()
    {
        m_world.applySettings(false, true);
        DownloadTab tab(nullptr);
        const int userQueries = m_world.countStatements("`последнее Изменение`");
        test::rebuild(tab);
        QCOMPARE(test::titlesOf(tab), QStringList{grandIndex});
        QCOMPARE(m_world.countStatements("`последнее Изменение`"), userQueries);
    }

    void userFileItemFromTheKey_data()
    {
        QTest::addColumn<QString>("storedKey");
        QTest::addColumn<QString>("id");
        QTest::newRow("123") << "123" << "123";
        QTest::newRow("leading zeros") << "00123" << "123";
        QTest::newRow("not a number") << "abc" << "0";
    }

    void userFileItemFromTheKey()
    {
        QFETCH(QString, storedKey);
        QFETCH(QString, id);
        test::setSetting(keys::rikKey, storedKey);
        test::MessageBoxCloser boxes;
        DownloadTab tab(nullptr);
        const int sentAsStored =
            m_world.countStatements("`ключи` where `идКлюч` = " + storedKey);
        test::rebuild(tab);
        const auto row = test::rowTitled(tab, userFile);
        QCOMPARE(row.id, id);
        QCOMPARE(row.url, "update/userszip/" + id + ".zip");
        QCOMPARE(row.itemClass, QStringLiteral("rikUser"));
        QCOMPARE(row.titleStyle, floral);
        // The question about the file goes out with the key as stored.
        QVERIFY(m_world.countStatements("`ключи` where `идКлюч` = " + storedKey) > sentAsStored);
    }

    void upToDateUserFileKeepsItsBaseColour()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        const auto row = test::rowTitled(tab, userFile);
        QCOMPARE(row.status, QStringLiteral("Установлено"));
        QCOMPARE(row.statusStyle, floral);
        QVERIFY(!row.isNew);
    }

    void changedUserFileIsOffered()
    {
        QVERIFY(m_world.sql({"UPDATE `ключи` SET `последнее Изменение` = '2026-11-20 09:30:16' "
                             "WHERE `идКлюч` = 123"}));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(m_world.sql({"UPDATE `ключи` SET `последнее Изменение` = '2026-11-20 09:30:15' "
                             "WHERE `идКлюч` = 123"}));
        const auto row = test::rowTitled(tab, userFile);
        QCOMPARE(row.status, QStringLiteral("Доступно обновление"));
        QCOMPARE(row.statusStyle, floral);
        QVERIFY(row.isNew);
    }

    void cachedUserFileWaitsEvenWhenUpToDate()
    {
        test::setSetting(keys::generalOnlyNew, true);
        QVERIFY(test::CatalogueWorld::putInCache("update/userszip/123.zip"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        const auto row = test::rowTitled(tab, userFile);
        QCOMPARE(row.status, QStringLiteral("Ожидает установки"));
        QCOMPARE(row.statusStyle, aquamarine);
        QVERIFY(!row.isNew);
        // Hidden when built as installed, and the filter keeps it hidden.
        QVERIFY(row.hidden);
    }

    void upToDateUserFileHiddenWithOnlyNew()
    {
        test::setSetting(keys::generalOnlyNew, true);
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(test::rowTitled(tab, userFile).hidden);
        test::clickNode(tab, "rik");
        QVERIFY(test::rowTitled(tab, userFile).hidden);
    }

    void winRikVersionItem()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        const auto row = test::rowTitled(tab, rikVersion);
        QCOMPARE(row.id, QStringLiteral("2.1"));
        QCOMPARE(row.url, QStringLiteral("update/winrik_2.1.zip"));
        QCOMPARE(row.itemClass, QStringLiteral("rik"));
        QCOMPARE(row.status, QStringLiteral("Установлено"));
        QCOMPARE(row.statusStyle, aquamarine);
        QVERIFY(!row.isNew);
    }

    void olderWinRikIsOfferedTheNewVersion()
    {
        test::WinRikFolderBuilder rik = m_world.rik();
        QVERIFY(rik.writeLastChange("2.1.240301"));
        QVERIFY(test::CatalogueWorld::putInCache("update/winrik_2.1.zip"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(rik.writeLastChange(test::CatalogueWorld::clientVersion));
        const auto row = test::rowTitled(tab, rikVersion);
        QVERIFY(row.isNew);
        QCOMPARE(row.status, QStringLiteral("Ожидает установки"));
        QCOMPARE(row.statusStyle, aquamarine);
    }

    void newerClientIsListedAlone_data()
    {
        QTest::addColumn<QString>("ownVersion");
        QTest::addColumn<QString>("serviceVersion");
        QTest::addColumn<QString>("title");
        QTest::newRow("2.1.240408") << "2.0.231231" << "2.1.240408"
                                    << "Личный кабинет Зелвинора 2.1.240408";
        QTest::newRow("3.0.251231") << "2.1.240408" << "3.0.251231"
                                    << "Личный кабинет Зелвинора 3.251231";
        QTest::newRow("same version, later day")
            << "2.1.240408" << "2.1.240409" << "Личный кабинет Зелвинора 2.1.240409";
    }

    void newerClientIsListedAlone()
    {
        QFETCH(QString, ownVersion);
        QFETCH(QString, serviceVersion);
        QFETCH(QString, title);
        QCoreApplication::setApplicationVersion(ownVersion);
        QVERIFY(setClientVersionOnService(serviceVersion));
        QVERIFY(test::CatalogueWorld::putInCache("downloads/accessories/zelvinorapasetup.exe"));
        test::setSetting(keys::generalOnlyNew, true);
        DownloadTab tab(nullptr);
        QSignalSpy tray(&tab, &DownloadTab::trayIconImageChanged);
        test::rebuild(tab);
        const auto rows = test::rowsOf(tab);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().title, title);
        QCOMPARE(rows.first().id, QStringLiteral("zelvinoraPA"));
        QCOMPARE(rows.first().url, QStringLiteral("downloads/accessories/zelvinorapasetup.exe"));
        QCOMPARE(rows.first().itemClass, QStringLiteral("zelvinoraPA"));
        // The setup program in the cache does not make it "waiting".
        QCOMPARE(rows.first().status, QStringLiteral("Доступно обновление"));
        QCOMPARE(rows.first().statusStyle, floral);
        QVERIFY(rows.first().isNew);
        QVERIFY(!rows.first().hidden);
        QCOMPARE(tray.count(), 0);
    }

    void olderClientOnTheServiceIsNotOffered()
    {
        QVERIFY(setClientVersionOnService("2.0.990101"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QCOMPARE(test::titlesOf(tab).size(), 7);
    }

    void trayImageFollowsWhatIsVisible_data()
    {
        QTest::addColumn<bool>("onlyNew");
        QTest::addColumn<QString>("icon");
        QTest::newRow("all up to date and hidden") << true << ":/zelvinoraPA2.ico";
        QTest::newRow("all up to date and shown") << false << ":/zelvinoraPAisNew.ico";
    }

    void trayImageFollowsWhatIsVisible()
    {
        QFETCH(bool, onlyNew);
        QFETCH(QString, icon);
        test::setSetting(keys::generalOnlyNew, onlyNew);
        DownloadTab tab(nullptr);
        QSignalSpy tray(&tab, &DownloadTab::trayIconImageChanged);
        test::rebuild(tab);
        QCOMPARE(tray.count(), 1);
        QCOMPARE(tray.first().first().toString(), icon);
        QCOMPARE(test::visibleTitlesOf(tab).isEmpty(), onlyNew);
    }

    void aNewItemTurnsTheTrayImage()
    {
        test::setSetting(keys::generalOnlyNew, true);
        QVERIFY(m_world.sql({"UPDATE `норм_база` SET `RikCurrentVersion` = '5.5' "
                             "WHERE `идНБ` = 'FER2020'"}));
        DownloadTab tab(nullptr);
        QSignalSpy tray(&tab, &DownloadTab::trayIconImageChanged);
        test::rebuild(tab);
        QVERIFY(m_world.sql({"UPDATE `норм_база` SET `RikCurrentVersion` = '5' "
                             "WHERE `идНБ` = 'FER2020'"}));
        QCOMPARE(test::visibleTitlesOf(tab), QStringList{base});
        QCOMPARE(tray.last().first().toString(), QStringLiteral(":/zelvinoraPAisNew.ico"));
    }

    void buildEndsWithTheFilterOfMyFiles()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::clickNode(tab, "grand");
        QCOMPARE(test::visibleTitlesOf(tab), QStringList{grandIndex});
        test::rebuild(tab);
        QCOMPARE(test::visibleTitlesOf(tab).size(), 7);
    }

    void categoryNodesShowTheirRows()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::clickNode(tab, "rik");
        QCOMPARE(test::visibleTitlesOf(tab),
                 (QStringList{userFile, rikVersion, rikIndex, base, nrsp, ending}));
        test::clickNode(tab, "rikNB");
        QCOMPARE(test::visibleTitlesOf(tab), QStringList{base});
        test::clickNode(tab, "rikNRSP");
        QCOMPARE(test::visibleTitlesOf(tab), QStringList{nrsp});
        test::clickNode(tab, "rikInd");
        QCOMPARE(test::visibleTitlesOf(tab), QStringList{rikIndex});
        test::clickNode(tab, "rikVar");
        QCOMPARE(test::visibleTitlesOf(tab), QStringList{ending});
        test::clickNode(tab, "grandInd");
        QCOMPARE(test::visibleTitlesOf(tab), QStringList{grandIndex});
        test::clickNode(tab, "myFiles");
        QCOMPARE(test::visibleTitlesOf(tab).size(), 7);
    }

    void onlyNewHidesInstalledRowsWhateverNode()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::setSetting(keys::generalOnlyNew, true);
        for (const char* node : {"myFiles", "rik", "rikInd", "rikNB", "rikVar", "grand"}) {
            test::clickNode(tab, node);
            QVERIFY2(test::visibleTitlesOf(tab).isEmpty(), node);
        }
    }

    void selectAllTicksOnlyVisibleRows()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QTableWidget* table = test::tableOf(tab);
        QVERIFY(sameIcon(table->horizontalHeaderItem(0)->icon(), ":/checkoff.ico"));
        QVERIFY(!sameIcon(table->horizontalHeaderItem(0)->icon(), ":/checkon.ico"));

        test::tick(tab, base);
        test::clickNode(tab, "rikVar");
        test::clickHeader(tab, 0);
        QVERIFY(sameIcon(table->horizontalHeaderItem(0)->icon(), ":/checkon.ico"));
        for (const auto& row : test::rowsOf(tab))
            QCOMPARE(row.ticked, row.title == ending || row.title == base);

        // Other header sections change nothing.
        test::clickHeader(tab, 1);
        QVERIFY(sameIcon(table->horizontalHeaderItem(0)->icon(), ":/checkon.ico"));
        QVERIFY(test::rowTitled(tab, ending).ticked);

        test::clickHeader(tab, 0);
        QVERIFY(sameIcon(table->horizontalHeaderItem(0)->icon(), ":/checkoff.ico"));
        QVERIFY(!test::rowTitled(tab, ending).ticked);
        QVERIFY(test::rowTitled(tab, base).ticked);
    }

    void requestsDuringABuildRunOnceAfterIt()
    {
        test::CatalogueWorld slow;
        test::CatalogueWorld::Options options;
        options.record = true;
        options.latencyMs = 30;
        QVERIFY2(slow.start(options), qPrintable(slow.errorString()));
        QVERIFY(slow.sql({"INSERT INTO `current_var` (`number`, `type`, `name`) VALUES "
                          "(1, 'loc', 'Первая'), (2, 'loc', 'Вторая')"}));
        slow.applySettings(true, false);
        test::MessageBoxCloser boxes;
        DownloadTab tab(nullptr);
        const QString clientQuestion = statements::productVersion(statements::productClient);
        // Three more requests arrive while the first build waits for the
        // service: the button twice and a tab switch.
        for (int i = 0; i < 3; ++i)
            QTimer::singleShot(0, &tab, [&tab] { tab.updateLicList(); });
        test::rebuild(tab);
        QCOMPARE(slow.countStatements(clientQuestion), 2);
        QCOMPARE(test::titlesOf(tab),
                 (QStringList{userFile, rikVersion, "Первая", "Вторая"}));
        m_world.applySettings(true, true);
    }
};

QTEST_MAIN(CatalogueAssemblyTest)
#include "tst_catalogueassembly.moc"
