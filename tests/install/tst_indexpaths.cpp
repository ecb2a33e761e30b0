#include "install/indexpaths.h"

#include "tests/support/devserviceprocess.h"

#include <QtTest>

// The places WinRIK and Гранд-Смета keep the index sets the catalogue offers.
class IndexPathsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { zv::test::enableTestMode(); }

    void rikSubPath_data();
    void rikSubPath();
    void quarterMonths_data();
    void quarterMonths();
    void rikFileBelowTheWinRikFolder();
    void grandFolder_data();
    void grandFolder();
};

namespace {
const QString P = QStringLiteral("IND/Государственные/Минстрой (РИМ) Зелвинора/");
}

// Every row of the table, each with the year as the catalogue passes it
// (last two digits) and, where the rows differ, as a full year.
void IndexPathsTest::rikSubPath_data()
{
    QTest::addColumn<QString>("nb");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("kv");
    QTest::addColumn<QString>("subPath");

    QTest::newRow("0dfo") << "0dfo" << "" << 24 << 1
                          << P + "Дальневосточный федеральный округ/Приморский край/ind_2403.dbf";
    QTest::newRow("0cfo") << "0cfo" << "" << 24 << 4
                          << P + "Центральный федеральный округ/Курская область/ind_2412.dbf";
    QTest::newRow("0cfo, full year 2024") << "0cfo" << "" << 2024 << 4
                          << P + "Центральный федеральный округ/Курская область/ind_202412.dbf";
    QTest::newRow("0pfo") << "0pfo" << "" << 23 << 2
                          << P + "Приволжский федеральный округ/Оренбургская область/ind_2306.dbf";
    QTest::newRow("0sfo") << "0sfo" << "" << 23 << 3
                          << P + "Сибирский федеральный округ/Новосибирская область/ind_2309.dbf";
    QTest::newRow("0ufo") << "0ufo" << "" << 24 << 2
                          << P + "Уральский федеральный округ/Челябинская область/ind_2406.dbf";
    QTest::newRow("skfo") << "skfo" << "" << 24 << 3
                          << P + "Северо-Кавказский федеральный округ/Ставропольский край/ind_2409.dbf";
    QTest::newRow("szfo") << "szfo" << "" << 24 << 4
                          << P + "Северо-Западный федеральный округ/Архангельская область/ind_2412.dbf";
    QTest::newRow("yufo") << "yufo" << "" << 24 << 1
                          << P + "Южный федеральный округ/Ростовская область/ind_2403.dbf";
    QTest::newRow("ind0") << "ind0" << "" << 24 << 2
                          << "IND/Государственные/Минстрой/ФЕР/ind_2406.dbf";
    QTest::newRow("smr0") << "smr0" << "" << 17 << 4
                          << "SM_R/ZEN_R/Цены в шифрах 2001-2017 г/zen_2017-4 юг Амурская область.dbf";
    QTest::newRow("smr0, 2005 keeps its zero") << "smr0" << "" << 5 << 1
                          << "SM_R/ZEN_R/Цены в шифрах 2001-2017 г/zen_2005-1 юг Амурская область.dbf";
    QTest::newRow("capitals select the same row") << "0DFO" << "" << 24 << 1
                          << P + "Дальневосточный федеральный округ/Приморский край/ind_2403.dbf";
    QTest::newRow("a table row ignores dir") << "ind0" << "Base/" << 24 << 2
                          << "IND/Государственные/Минстрой/ФЕР/ind_2406.dbf";

    // Keys outside the table: dir, then the quarter's FIRST month.
    QTest::newRow("other key, empty dir") << "1234" << "" << 2024 << 4 << "IND/ind_202410.dbf";
    QTest::newRow("other key, two-digit year") << "1234" << "" << 24 << 4 << "IND/ind_2410.dbf";
    QTest::newRow("other key, dir") << "abcd" << "Регион/База/" << 24 << 1
                                    << "Регион/База/IND/ind_2401.dbf";
    QTest::newRow("other key, capitals kept in dir") << "ABCD" << "Base/" << 24 << 3
                                                     << "Base/IND/ind_2407.dbf";
    QTest::newRow("other key, 2005") << "abcd" << "" << 5 << 2 << "IND/ind_0504.dbf";
    QTest::newRow("dir text is not a placeholder") << "abcd" << "{Y}{K}/" << 24 << 2
                                                   << "{Y}{K}/IND/ind_2404.dbf";
    QTest::newRow("near miss of a key") << "0dfo " << "" << 24 << 1 << "IND/ind_2401.dbf";
}

void IndexPathsTest::rikSubPath()
{
    QFETCH(QString, nb);
    QFETCH(QString, dir);
    QFETCH(int, year);
    QFETCH(int, kv);
    QFETCH(QString, subPath);
    QCOMPARE(zv::rikIndexSubPath(nb, dir, year, kv), subPath);
}

void IndexPathsTest::quarterMonths_data()
{
    QTest::addColumn<int>("kv");
    QTest::addColumn<QString>("lastMonthFile");
    QTest::addColumn<QString>("firstMonthFile");
    QTest::newRow("1") << 1 << "ind_2403.dbf" << "ind_2401.dbf";
    QTest::newRow("2") << 2 << "ind_2406.dbf" << "ind_2404.dbf";
    QTest::newRow("3") << 3 << "ind_2409.dbf" << "ind_2407.dbf";
    QTest::newRow("4") << 4 << "ind_2412.dbf" << "ind_2410.dbf";
}

void IndexPathsTest::quarterMonths()
{
    QFETCH(int, kv);
    QFETCH(QString, lastMonthFile);
    QFETCH(QString, firstMonthFile);
    QVERIFY(zv::rikIndexSubPath("ind0", "", 24, kv).endsWith("/" + lastMonthFile));
    QCOMPARE(zv::rikIndexSubPath("other", "", 24, kv), "IND/" + firstMonthFile);
}

void IndexPathsTest::rikFileBelowTheWinRikFolder()
{
    QCOMPARE(zv::rikIndexFilePath("/home/user/WinRIK", "0cfo", "", 24, 4),
             "/home/user/WinRIK/" + P + "Центральный федеральный округ/Курская область/ind_2412.dbf");
    QCOMPARE(zv::rikIndexFilePath("C:/WinRIK", "base", "", 24, 4), QString("C:/WinRIK/IND/ind_2410.dbf"));
}

void IndexPathsTest::grandFolder_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("kv");
    QTest::addColumn<QString>("folder");
    QTest::newRow("full year") << "Индексы/МСК_" << 2024 << 3 << "/opt/Grand/Индексы/МСК_2024_3";
    QTest::newRow("empty dir") << "" << 2023 << 1 << "/opt/Grand/2023_1";
}

void IndexPathsTest::grandFolder()
{
    QFETCH(QString, dir);
    QFETCH(int, year);
    QFETCH(int, kv);
    QFETCH(QString, folder);
    QCOMPARE(zv::grandIndexFolderPath("/opt/Grand", dir, year, kv), folder);
}

QTEST_GUILESS_MAIN(IndexPathsTest)
#include "tst_indexpaths.moc"
