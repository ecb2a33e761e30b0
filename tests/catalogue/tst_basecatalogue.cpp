// The normative-base rows, each followed by its НР и СП row, against the
// stand-in service and a fixture WinRIK folder with installed bases.
#include "catalogue/downloadtab.h"
#include "service/statements.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/catalogue/catalogueworld.h"
#include "tests/support/logcapture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

using namespace zv;

class BaseCatalogueTest : public QObject
{
    Q_OBJECT

    test::CatalogueWorld m_world;

    static QList<test::CatalogueRowView> baseRows(DownloadTab& tab)
    {
        QList<test::CatalogueRowView> rows;
        for (const test::CatalogueRowView& row : test::rowsOf(tab)) {
            if (row.itemClass == "rikNB" || row.itemClass == "rikNRSP")
                rows << row;
        }
        return rows;
    }

    bool installBases()
    {
        test::WinRikFolderBuilder rik = m_world.rik();
        const QString fer = "BASES/FER_fer2020";
        const QString ter = "BASES/TER_ter2001";
        const QString gesn = "BASES/GESN_gesn2022";
        // INSTAL keeps WinRIK's own absolute paths, "\" separated.
        const auto dir = [&rik](const QString& folder) {
            QString text = rik.path(folder) + "/";
            return text.replace('/', '\\');
        };
        return rik.writeInstal({{"FER", "FER2020", dir(fer)},
                                {"TER", "ter2001", dir(ter)},
                                {"GESN", "gesn2022", dir(gesn)}}) &&
               rik.writeNbIni(fer, "5", "ФЕР") && rik.writeDealerIni(fer, "2026-09-30 08:00") &&
               rik.writeNbIni(ter, "3", "ТЕР") && rik.writeNbIni(gesn, "2.4", "ГЭСН") &&
               rik.writeDealerIni(gesn, "2026-09-15 14:20");
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        test::CatalogueWorld::Options options;
        options.record = true;
        QVERIFY2(m_world.start(options), qPrintable(m_world.errorString()));
        QVERIFY2(m_world.sql({
                     "INSERT INTO `норм_база` (`идНБ`, `Название`, `RikCurrentVersion`, "
                     "`NRSPLastChange`) VALUES "
                     "('FER2020', 'ФЕР-2020', '5.1', '2026-10-01 08:00:00'), "
                     "('ter2001', 'ТЕР-2001', '3', NULL), "
                     "('gesn2022', 'ГЭСН-2022', '2.4', '2026-09-15 14:20:59'), "
                     "('MGN2024', 'МГН-2024', '1', '2026-01-01 00:00:00'), "
                     "('ind5', 'Индексы', '1', NULL), ('smr1', 'Цены', '1', NULL), "
                     "('abcfo', 'Округ', '1', NULL)",
                     "INSERT INTO `разрешениеНБ` VALUES (123, 'FER2020'), (123, 'ter2001'), "
                     "(123, 'gesn2022'), (123, 'MGN2024'), (123, 'ind5'), (123, 'smr1'), "
                     "(123, 'abcfo')",
                 }),
                 qPrintable(m_world.errorString()));
    }

    void init()
    {
        m_world.applySettings(true, false);
        test::CatalogueWorld::clearCache();
        test::WinRikFolderBuilder rik = m_world.rik();
        QVERIFY2(rik.writeInstal({}), qPrintable(rik.errorString()));
    }

    void baseRowsWithTheirNrspRowsRightAfter()
    {
        QVERIFY(installBases());
        DownloadTab tab(nullptr);
        test::rebuild(tab);

        // The answer's own order decides; each base with НР и СП is followed
        // by that row.
        QJsonArray answer;
        QVERIFY(m_world.service().sql(statements::normativeBases("123"), &answer));
        QStringList expected;
        for (const QJsonValue& value : answer) {
            const QJsonObject object = value.toObject();
            expected << object.value("Название").toString();
            if (!object.value("NRSPLastChange").isNull())
                expected << "НР и СП к " + object.value("Название").toString();
        }
        QStringList titles;
        for (const auto& row : baseRows(tab))
            titles << row.title;
        QCOMPARE(titles, expected);
        QCOMPARE(titles.size(), 7);
        QVERIFY(!titles.contains("Индексы"));
        QVERIFY(!titles.contains("Цены"));
        QVERIFY(!titles.contains("Округ"));
    }

    void statusesIdsAndUrls()
    {
        QVERIFY(installBases());
        DownloadTab tab(nullptr);
        test::rebuild(tab);

        const auto fer = test::rowTitled(tab, "ФЕР-2020");
        QCOMPARE(fer.id, QStringLiteral("fer2020"));
        QCOMPARE(fer.url, QStringLiteral("downloads/nb/spb/fer2020.zip"));
        QCOMPARE(fer.itemClass, QStringLiteral("rikNB"));
        QCOMPARE(fer.status, QStringLiteral("Доступно обновление")); // 5.1 on the service, 5 here
        QVERIFY(fer.isNew);

        const auto ferNrsp = test::rowTitled(tab, "НР и СП к ФЕР-2020");
        QCOMPARE(ferNrsp.id, QStringLiteral("nrsp_fer2020"));
        QCOMPARE(ferNrsp.url, QStringLiteral("update/nrsp/nrsp_fer2020.zip"));
        QCOMPARE(ferNrsp.itemClass, QStringLiteral("rikNRSP"));
        QCOMPARE(ferNrsp.status, QStringLiteral("Доступно обновление"));

        const auto ter = test::rowTitled(tab, "ТЕР-2001");
        QCOMPARE(ter.status, QStringLiteral("Установлено"));
        QCOMPARE(ter.statusStyle, QStringLiteral("background-color: aquamarine;"));
        QVERIFY(!ter.isNew);
        QCOMPARE(test::rowIndexOf(tab, "НР и СП к ТЕР-2001"), -1);

        // Seconds on the service's side do not count.
        QCOMPARE(test::rowTitled(tab, "ГЭСН-2022").status, QStringLiteral("Установлено"));
        QCOMPARE(test::rowTitled(tab, "НР и СП к ГЭСН-2022").status, QStringLiteral("Установлено"));

        const auto mgn = test::rowTitled(tab, "МГН-2024");
        QCOMPARE(mgn.id, QStringLiteral("mgn2024"));
        QCOMPARE(mgn.status, QStringLiteral("Доступно обновление"));
        QCOMPARE(test::rowTitled(tab, "НР и СП к МГН-2024").status,
                 QStringLiteral("Доступно обновление"));
    }

    void versionAskedOnlyForInstalledBases()
    {
        QVERIFY(installBases());
        DownloadTab tab(nullptr);
        const int ferBefore = m_world.countStatements("where `идНБ` = 'fer2020'");
        const int mgnBefore = m_world.countStatements("where `идНБ` = 'mgn2024'");
        test::rebuild(tab);
        QCOMPARE(m_world.countStatements("where `идНБ` = 'fer2020'"), ferBefore + 1);
        QCOMPARE(m_world.countStatements("where `идНБ` = 'mgn2024'"), mgnBefore);
    }

    void cachedBaseArchiveWaits()
    {
        QVERIFY(installBases());
        QVERIFY(test::CatalogueWorld::putInCache("downloads/nb/spb/fer2020.zip"));
        QVERIFY(test::CatalogueWorld::putInCache("update/nrsp/nrsp_gesn2022.zip"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QCOMPARE(test::rowTitled(tab, "ФЕР-2020").status, QStringLiteral("Ожидает установки"));
        QCOMPARE(test::rowTitled(tab, "НР и СП к ГЭСН-2022").status, QStringLiteral("Установлено"));
    }

    void noInstalledBaseMeansNoQueryAndNoRows()
    {
        DownloadTab tab(nullptr);
        const int before = m_world.countStatements("`разрешениеНБ`");
        test::rebuild(tab);
        QVERIFY(baseRows(tab).isEmpty());
        QCOMPARE(m_world.countStatements("`разрешениеНБ`"), before);
    }

    void unreadableInstalTableWarnsAndListsNoBases()
    {
        QVERIFY(installBases());
        QVERIFY(QDir(m_world.rikPath() + "/sm_r").removeRecursively());
        test::MessageBoxCloser boxes;
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(baseRows(tab).isEmpty());
        QCOMPARE(boxes.seen().size(), 1);
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Ошибка доступа"));
        QVERIFY(boxes.seen().first().text.endsWith("), список нормативных не обновлен!"));
        // The other queries still ran.
        QVERIFY(test::rowIndexOf(tab, "Обновление файла пользователя user.rik") >= 0);
    }

};

QTEST_MAIN(BaseCatalogueTest)
#include "tst_basecatalogue.moc"
