// The WinRIK and Гранд-Смета index rows, built by the real download tab from
// the stand-in service's answers and checked against fixture folders.
#include "catalogue/downloadtab.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/catalogue/catalogueworld.h"
#include "tests/support/logcapture.h"

#include <QDir>
#include <QtTest>

using namespace zv;

namespace {
const QString kursk = QStringLiteral("IND/Государственные/Минстрой (РИМ) Зелвинора/"
                                     "Центральный федеральный округ/Курская область/");
const QString cfoQ4 = QStringLiteral("Индексы и ТЦ (4 квартал 2024 год к Центральный федеральный округ)");
const QString cfoQ3 = QStringLiteral("Индексы и ТЦ (3 квартал 2024 год к Центральный федеральный округ)");
const QString spbQ1 = QStringLiteral("Индексы и ТЦ (01 квартал 2024 год к ТСН Санкт-Петербург)");
const QString grandSpb = QStringLiteral("Индексы и ценники (03 квартал 2023 год к ТСН Санкт-Петербург)");
const QString grandCfo = QStringLiteral("Индексы и ценники (4 квартал 2024 год к Центральный федеральный округ)");
const QDateTime cfoQ4Change(QDate(2024, 11, 1), QTime(10, 0, 0), Qt::LocalTime);
const QDateTime spbQ1Change(QDate(2024, 2, 1), QTime(9, 0, 0), Qt::LocalTime);
} // namespace

class IndexCatalogueTest : public QObject
{
    Q_OBJECT

    test::CatalogueWorld m_world;

    QList<test::CatalogueRowView> rowsOfClass(DownloadTab& tab, const QString& itemClass)
    {
        QList<test::CatalogueRowView> rows;
        for (const test::CatalogueRowView& row : test::rowsOf(tab)) {
            if (row.itemClass == itemClass)
                rows << row;
        }
        return rows;
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QVERIFY2(m_world.start(), qPrintable(m_world.errorString()));
        QVERIFY2(m_world.sql({
                     "INSERT INTO `норм_база` (`идНБ`, `Название`, `dir`, `dir_grand`) VALUES "
                     "('0CFO', 'Центральный федеральный округ', '', 'Индексы/ЦФО_'), "
                     "('SPB1', 'ТСН Санкт-Петербург', 'SPB/', 'Индексы/СПб_')",
                     "INSERT INTO `индекс` VALUES (1, '0CFO', '4', '2024', '2024-11-01 10:00:00'), "
                     "(2, 'spb1', '01', '2024', '2024-02-01T09:00:00'), "
                     "(3, '0cfo', '3', '2024', '2024-08-01 10:00:00'), "
                     "(4, 'SPB1', '2', '2024', NULL), "
                     "(7, '0cfo', '4', '2024', NULL), (8, 'spb1', '03', '2023', NULL)",
                     "INSERT INTO `разрешениеИнд` VALUES (123, 1), (123, 2), (123, 3), (123, 4), "
                     "(9001, 7), (9001, 8)",
                 }),
                 qPrintable(m_world.errorString()));
        test::WinRikFolderBuilder rik = m_world.rik();
        // Q4 2024 of the Курская область file, as new as the service's change:
        // installed. The year goes into the name as its last two digits.
        QVERIFY2(rik.writeFile(kursk + "ind_2412.dbf", "ind", cfoQ4Change), qPrintable(rik.errorString()));
        // Outside the region table the service's sub-folder and the quarter's
        // first month name the file; this one is older than the change.
        QVERIFY2(rik.writeFile("SPB/IND/ind_2401.dbf", "ind", spbQ1Change.addSecs(-1)),
                 qPrintable(rik.errorString()));
        // Гранд-Смета: the folder prefix, the full year and the quarter.
        QVERIFY(QDir().mkpath(m_world.grandPath() + "/Индексы/СПб_2023_3"));
    }

    void init()
    {
        m_world.applySettings(true, true);
        test::CatalogueWorld::clearCache();
    }

    void rikIndexRowsInAnswerOrder()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        const auto rows = rowsOfClass(tab, "rikInd");
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).title, cfoQ4);
        QCOMPARE(rows.at(1).title, cfoQ3);
        QCOMPARE(rows.at(2).title, spbQ1);

        QCOMPARE(rows.at(0).id, QStringLiteral("1"));
        QCOMPARE(rows.at(0).url, QStringLiteral("update/spb/rik_0cfo_2024_4.zip"));
        QCOMPARE(rows.at(0).status, QStringLiteral("Установлено"));
        QCOMPARE(rows.at(0).statusStyle, QStringLiteral("background-color: aquamarine;"));
        QCOMPARE(rows.at(0).titleStyle, QStringLiteral("background-color: floralwhite"));
        QVERIFY(!rows.at(0).isNew);

        QCOMPARE(rows.at(1).url, QStringLiteral("update/spb/rik_0cfo_2024_3.zip"));
        QCOMPARE(rows.at(1).status, QStringLiteral("Доступно обновление"));
        QCOMPARE(rows.at(1).statusStyle, QStringLiteral("background-color: floralwhite"));
        QVERIFY(rows.at(1).isNew);

        // The quarter keeps its leading zero in the title and the URL while
        // the check looks for the first month of quarter 1.
        QCOMPARE(rows.at(2).id, QStringLiteral("2"));
        QCOMPARE(rows.at(2).url, QStringLiteral("update/spb/rik_spb1_2024_01.zip"));
        QCOMPARE(rows.at(2).status, QStringLiteral("Доступно обновление"));
        QVERIFY(rows.at(2).isNew);
    }

    void grandIndexRows()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        const auto rows = rowsOfClass(tab, "grandInd");
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).title, grandSpb);
        QCOMPARE(rows.at(0).id, QStringLiteral("8"));
        QCOMPARE(rows.at(0).url, QStringLiteral("update_grand/grand_spb1_2023_03.zip"));
        QCOMPARE(rows.at(0).status, QStringLiteral("Установлено"));
        QCOMPARE(rows.at(0).titleStyle, QStringLiteral("background-color: lightcyan"));
        QVERIFY(!rows.at(0).isNew);

        QCOMPARE(rows.at(1).title, grandCfo);
        QCOMPARE(rows.at(1).url, QStringLiteral("update_grand/grand_0cfo_2024_4.zip"));
        QCOMPARE(rows.at(1).status, QStringLiteral("Доступно обновление"));
        QCOMPARE(rows.at(1).statusStyle, QStringLiteral("background-color: lightcyan"));
        QVERIFY(rows.at(1).isNew);
    }

    void cachedArchiveOfNewRowWaitsForInstallation()
    {
        QVERIFY(test::CatalogueWorld::putInCache("update/spb/rik_spb1_2024_01.zip"));
        QVERIFY(test::CatalogueWorld::putInCache("update/spb/rik_0cfo_2024_4.zip"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        const auto waiting = test::rowTitled(tab, spbQ1);
        QCOMPARE(waiting.status, QStringLiteral("Ожидает установки"));
        QCOMPARE(waiting.statusStyle, QStringLiteral("background-color: aquamarine;"));
        QVERIFY(waiting.isNew);
        // An installed row stays installed, archive or not.
        QCOMPARE(test::rowTitled(tab, cfoQ4).status, QStringLiteral("Установлено"));
    }

    void installedRowsHiddenWithOnlyNew()
    {
        test::setSetting(keys::generalOnlyNew, true);
        QVERIFY(test::CatalogueWorld::putInCache("update/spb/rik_0cfo_2024_4.zip"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(test::rowTitled(tab, cfoQ4).hidden);
        QVERIFY(test::rowTitled(tab, grandSpb).hidden);
        QVERIFY(!test::rowTitled(tab, cfoQ3).hidden);
        QVERIFY(!test::rowTitled(tab, grandCfo).hidden);
    }

    void failedRikQueryLeavesTheRestOfTheCatalogue()
    {
        // A key that is not a number makes every WinRIK statement an SQL
        // error; the Гранд-Смета rows are still listed.
        test::setSetting(keys::rikKey, "12x");
        test::LogCapture log;
        test::MessageBoxCloser boxes;
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(rowsOfClass(tab, "rikInd").isEmpty());
        QCOMPARE(rowsOfClass(tab, "grandInd").size(), 2);
        QVERIFY(log.contains("Error", "getLicIndRik: "));
    }

    void emptyAnswersAddNothingAndLogNothing()
    {
        test::setSetting(keys::rikKey, "999");
        test::setSetting(keys::grandKeySerial, "nobody");
        test::LogCapture log;
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(rowsOfClass(tab, "rikInd").isEmpty());
        QVERIFY(rowsOfClass(tab, "grandInd").isEmpty());
        QVERIFY(!log.contains("Error", "getLicIndRik"));
        QVERIFY(!log.contains("Error", "getLicIndGrand"));
    }
};

QTEST_MAIN(IndexCatalogueTest)
#include "tst_indexcatalogue.moc"
