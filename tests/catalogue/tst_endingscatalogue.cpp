// The endings rows, checked against fixture endings tables and the records'
// own files.
#include "catalogue/downloadtab.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/catalogue/catalogueworld.h"
#include "tests/support/logcapture.h"

#include <QtTest>

using namespace zv;

namespace {
const QDateTime locChange(QDate(2026, 10, 20), QTime(10, 11, 12), Qt::LocalTime);
const QDateTime resChange(QDate(2026, 9, 1), QTime(8, 0, 30), Qt::LocalTime);

VAR tableRecord(int number, int nn, const QString& name)
{
    VAR record;
    record.number = number;
    record.nn = nn;
    record.name = name;
    return record;
}
} // namespace

class EndingsCatalogueTest : public QObject
{
    Q_OBJECT

    test::CatalogueWorld m_world;

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QVERIFY2(m_world.start(), qPrintable(m_world.errorString()));
        QVERIFY2(m_world.sql({
                     "INSERT INTO `current_var` VALUES "
                     "(7, 'loc', 'Концовка ФЕР (локальная)', 'Да', '1', '0', '0', '0', '1', 'ОБЩ', "
                     "'', 'K7', 'БИМ', 'Нет', '4', '2026-10-20 10:11:12'), "
                     "(12, 'res', 'Ресурсная концовка', 'Нет', '0', '1', '0', '0', '0', '', "
                     "'limz.dbf', 'R12', 'РИМ', 'Да', '2', '2026-09-01 08:00:30'), "
                     "(3, 'obj', 'Объектная сводка', '', '', '', '', '', '', '', '', '', '', '', "
                     "'', '2026-05-05 05:05:05')",
                 }),
                 qPrintable(m_world.errorString()));
        test::WinRikFolderBuilder rik = m_world.rik();
        QVERIFY2(rik.writeEndingsTable("loc", {tableRecord(7, 1, "Старая")}) &&
                     rik.writeEndingsTable("res", {tableRecord(12, 1, "Ресурсы")}),
                 qPrintable(rik.errorString()));
    }

    void init()
    {
        m_world.applySettings(true, false);
        test::CatalogueWorld::clearCache();
    }

    void rowsWithIdsUrlsAndClasses()
    {
        test::WinRikFolderBuilder rik = m_world.rik();
        QVERIFY(rik.writeEndingsRecordFile("loc", 7, locChange));
        QVERIFY(rik.writeEndingsRecordFile("res", 12, resChange));
        DownloadTab tab(nullptr);
        test::rebuild(tab);

        const auto loc = test::rowTitled(tab, "Концовка ФЕР (локальная)");
        QCOMPARE(loc.id, QStringLiteral("loc_7"));
        QCOMPARE(loc.url, QStringLiteral("update/var/loc_7.dbf.zip"));
        QCOMPARE(loc.itemClass, QStringLiteral("rikVarLoc"));
        QCOMPARE(loc.status, QStringLiteral("Установлено"));

        const auto res = test::rowTitled(tab, "Ресурсная концовка");
        QCOMPARE(res.id, QStringLiteral("res_12"));
        QCOMPARE(res.url, QStringLiteral("update/var/res_12.dbf.zip"));
        QCOMPARE(res.itemClass, QStringLiteral("rikVarRes"));
        QCOMPARE(res.status, QStringLiteral("Установлено"));

        // No table of that type: the check cannot tell, the row is new; no
        // installer rule exists for it, so it has no class.
        const auto obj = test::rowTitled(tab, "Объектная сводка");
        QCOMPARE(obj.id, QStringLiteral("obj_3"));
        QCOMPARE(obj.itemClass, QString());
        QCOMPARE(obj.status, QStringLiteral("Доступно обновление"));

        const QStringList endings = {"Концовка ФЕР (локальная)", "Ресурсная концовка",
                                     "Объектная сводка"};
        QCOMPARE(test::titlesOf(tab).mid(test::titlesOf(tab).size() - 3), endings);
    }

    void secondsOfTheChangeTimeCount()
    {
        test::WinRikFolderBuilder rik = m_world.rik();
        QVERIFY(rik.writeEndingsRecordFile("loc", 7, locChange.addSecs(-1)));
        QVERIFY(rik.writeEndingsRecordFile("res", 12, resChange.addSecs(-1)));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QCOMPARE(test::rowTitled(tab, "Концовка ФЕР (локальная)").status,
                 QStringLiteral("Доступно обновление"));
        QCOMPARE(test::rowTitled(tab, "Ресурсная концовка").status,
                 QStringLiteral("Доступно обновление"));
    }

    void unknownTypeShowsOnlyUnderMyFiles()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(!test::rowTitled(tab, "Объектная сводка").hidden);
        for (const char* node : {"rik", "rikVar", "rikVarLoc", "rikVarRes"}) {
            test::clickNode(tab, node);
            QVERIFY2(test::rowTitled(tab, "Объектная сводка").hidden, node);
        }
        test::clickNode(tab, "rikVar");
        QVERIFY(!test::rowTitled(tab, "Концовка ФЕР (локальная)").hidden);
        QVERIFY(!test::rowTitled(tab, "Ресурсная концовка").hidden);
        test::clickNode(tab, "rikVarRes");
        QVERIFY(test::rowTitled(tab, "Концовка ФЕР (локальная)").hidden);
        QVERIFY(!test::rowTitled(tab, "Ресурсная концовка").hidden);
        test::clickNode(tab, "myFiles");
        QVERIFY(!test::rowTitled(tab, "Объектная сводка").hidden);
    }

    void missingEndingsFolderOffersNothingAsNew()
    {
        test::setSetting(keys::rikPath, m_world.rikPath() + "/no-such-winrik");
        test::MessageBoxCloser boxes;
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        for (const char* title : {"Концовка ФЕР (локальная)", "Ресурсная концовка",
                                  "Объектная сводка"})
            QCOMPARE(test::rowTitled(tab, title).status, QStringLiteral("Установлено"));
    }

    void failedQueryAddsNoEndings()
    {
        DownloadTab tab(nullptr);
        QVERIFY(m_world.sql({"ALTER TABLE `current_var` RENAME TO `current_var_away`"}));
        test::LogCapture log;
        test::rebuild(tab);
        QVERIFY(m_world.sql({"ALTER TABLE `current_var_away` RENAME TO `current_var`"}));
        QCOMPARE(test::rowIndexOf(tab, "Ресурсная концовка"), -1);
        QVERIFY(log.contains("Error", "getVar:"));
        QVERIFY(test::rowIndexOf(tab, "Обновление файла пользователя user.rik") >= 0);
    }
};

QTEST_MAIN(EndingsCatalogueTest)
#include "tst_endingscatalogue.moc"
