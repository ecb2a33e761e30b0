#include "install/dostext.h"
#include "install/indexpaths.h"
#include "install/installedstate.h"
#include "install/installedstatebasefiles.h"
#include "install/winrikfolder.h"

#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>

using zv::test::InstalRow;
using zv::test::LogCapture;
using zv::test::WinRikFolderBuilder;

namespace {

const QDateTime serviceChange(QDate(2024, 10, 15), QTime(12, 0), Qt::LocalTime);

zv::VAR offeredRecord(const QString& type, int number, const QDateTime& lastChange)
{
    zv::VAR var;
    var.type = type;
    var.number = number;
    var.name = QStringLiteral("record");
    var.lastChange = lastChange;
    return var;
}

zv::VAR tableRow(int number, int nn)
{
    zv::VAR var;
    var.number = number;
    var.nn = nn;
    var.name = QStringLiteral("row");
    return var;
}

// A base folder as WinRIK writes it into INSTAL.DIR: "\" and a trailing one.
QString winRikDir(const QString& folder)
{
    QString dir = folder + "/";
    return dir.replace('/', '\\');
}

} // namespace

// What the catalogue learns about the local installation, from real files.
class InstalledStateTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        QVERIFY(m_temp.isValid());
    }

    void rikIndexByFileTime_data();
    void rikIndexByFileTime();
    void rikIndexAsTheCataloguePassesTheYear();
    void grandIndexByFolder();

    void endingsFolderThatDoesNotOpenOffersNothing();
    void endingsTableMissingIsNew();
    void endingsRecord_data();
    void endingsRecord();
    void endingsRowMarkedDeletedStillCounts();
    void endingsForGrandAreAlwaysNew();

    void installedBasesFromInstal();
    void installedBasesLaterRowWinsWhateverTheCase();
    void installedBasesWithoutSmR();
    void installedBasesWithoutInstalTable();
    void installedBasesForGrandAreEmpty();

    void nbIniVersion_data();
    void nbIniVersion();
    void nbIniVersionOfAMissingFile();
    void nbIniNameIsTheFilesOwnBytes();
    void dealerNrspDateOfAComposedFolder();
    void nrspDateText();

private:
    QString freshFolder(const QString& name) { return m_temp.path() + "/" + name; }

    QTemporaryDir m_temp;
};

void InstalledStateTest::rikIndexByFileTime_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("secondsAfterChange");
    QTest::addColumn<bool>("isNew");
    QTest::newRow("missing file") << false << 0 << true;
    QTest::newRow("file older than the change") << true << -60 << true;
    QTest::newRow("file at exactly the change") << true << 0 << false;
    QTest::newRow("file newer than the change") << true << 60 << false;
}

void InstalledStateTest::rikIndexByFileTime()
{
    QFETCH(bool, fileExists);
    QFETCH(int, secondsAfterChange);
    QFETCH(bool, isNew);
    WinRikFolderBuilder rik(freshFolder(QString("index %1 %2").arg(fileExists).arg(secondsAfterChange)));
    const QString subPath = zv::rikIndexSubPath("0cfo", "", 24, 4);
    if (fileExists)
        QVERIFY2(rik.writeFile(subPath, "index", serviceChange.addSecs(secondsAfterChange)),
                 qPrintable(rik.errorString()));
    QCOMPARE(zv::isNewIndexSet(rik.root(), "", "0cfo", "", 24, 4, serviceChange), isNew);
    // The key is compared lower-cased.
    QCOMPARE(zv::isNewIndexSet(rik.root(), "", "0CFO", "", 24, 4, serviceChange), isNew);
}

void InstalledStateTest::rikIndexAsTheCataloguePassesTheYear()
{
    WinRikFolderBuilder rik(freshFolder("index years"));
    QVERIFY(rik.writeFile("Base/IND/ind_2410.dbf", "index", serviceChange.addSecs(60)));
    // The catalogue passes 24 for 2024: the file of quarter 4 is ind_2410.dbf.
    QVERIFY(!zv::isNewIndexSet(rik.root(), "", "abcd", "Base/", 24, 4, serviceChange));
    // Another quarter or the full year names another file.
    QVERIFY(zv::isNewIndexSet(rik.root(), "", "abcd", "Base/", 24, 3, serviceChange));
    QVERIFY(zv::isNewIndexSet(rik.root(), "", "abcd", "Base/", 2024, 4, serviceChange));
}

void InstalledStateTest::grandIndexByFolder()
{
    const QString grand = freshFolder("grand");
    QVERIFY(QDir().mkpath(grand + "/Индексы/МСК_2024_3"));
    QVERIFY(QFile(grand + "/Индексы/file_2024_2").open(QIODevice::WriteOnly));
    const QDateTime invalid;
    QVERIFY(!zv::isNewIndexSet("", grand, "msk", "Индексы/МСК_", 2024, 3, invalid,
                               DataTypes::Grand));
    QVERIFY(zv::isNewIndexSet("", grand, "msk", "Индексы/МСК_", 2024, 4, invalid,
                              DataTypes::Grand));
    // A file in the folder's place is not an installed index set.
    QVERIFY(zv::isNewIndexSet("", grand, "msk", "Индексы/file_", 2024, 2, invalid,
                              DataTypes::Grand));
}

void InstalledStateTest::endingsFolderThatDoesNotOpenOffersNothing()
{
    WinRikFolderBuilder rik(freshFolder("endings without sm_r"));
    LogCapture log;
    QVERIFY(!zv::isNewEndingsRecord(rik.root(), offeredRecord("res", 42, serviceChange)));
    QVERIFY(log.contains("Error", zv::winrik::endingsFolder(rik.root())));
}

void InstalledStateTest::endingsTableMissingIsNew()
{
    WinRikFolderBuilder rik(freshFolder("endings without table"));
    QVERIFY(rik.writeEndingsTable("loc", {tableRow(42, 1)}));
    LogCapture log;
    QVERIFY(zv::isNewEndingsRecord(rik.root(), offeredRecord("res", 42, serviceChange)));
    QVERIFY(log.contains("default", "isNew(VAR var, DataTypes type): "));
}

void InstalledStateTest::endingsRecord_data()
{
    QTest::addColumn<bool>("rowPresent");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("secondsAfterChange");
    QTest::addColumn<bool>("isNew");
    QTest::newRow("no row with the number") << false << true << 60 << true;
    QTest::newRow("row, no record file") << true << false << 0 << true;
    QTest::newRow("row, older file") << true << true << -60 << true;
    QTest::newRow("row, file at the change") << true << true << 0 << false;
    QTest::newRow("row, newer file") << true << true << 60 << false;
}

void InstalledStateTest::endingsRecord()
{
    QFETCH(bool, rowPresent);
    QFETCH(bool, fileExists);
    QFETCH(int, secondsAfterChange);
    QFETCH(bool, isNew);
    WinRikFolderBuilder rik(freshFolder(QString("endings %1 %2 %3")
                                            .arg(rowPresent).arg(fileExists).arg(secondsAfterChange)));
    QVector<zv::VAR> rows{tableRow(7, 1), tableRow(9100, 2)};
    if (rowPresent)
        rows << tableRow(42, 3) << tableRow(42, 4);
    QVERIFY2(rik.writeEndingsTable("res", rows), qPrintable(rik.errorString()));
    if (fileExists)
        QVERIFY2(rik.writeEndingsRecordFile("res", 42, serviceChange.addSecs(secondsAfterChange)),
                 qPrintable(rik.errorString()));
    QCOMPARE(zv::isNewEndingsRecord(rik.root(), offeredRecord("res", 42, serviceChange)), isNew);
}

void InstalledStateTest::endingsRowMarkedDeletedStillCounts()
{
    WinRikFolderBuilder rik(freshFolder("endings deleted row"));
    QVERIFY(rik.writeEndingsTable("loc", {tableRow(1, 1), tableRow(5, 2)}, {}, {1}));
    QVERIFY(rik.writeEndingsRecordFile("loc", 5, serviceChange.addSecs(60)));
    QVERIFY(!zv::isNewEndingsRecord(rik.root(), offeredRecord("loc", 5, serviceChange)));
}

void InstalledStateTest::endingsForGrandAreAlwaysNew()
{
    WinRikFolderBuilder rik(freshFolder("endings grand"));
    QVERIFY(rik.writeEndingsTable("res", {tableRow(42, 1)}));
    QVERIFY(rik.writeEndingsRecordFile("res", 42, serviceChange.addSecs(60)));
    QVERIFY(!zv::isNewEndingsRecord(rik.root(), offeredRecord("res", 42, serviceChange)));
    QVERIFY(zv::isNewEndingsRecord(rik.root(), offeredRecord("res", 42, serviceChange),
                                   DataTypes::Grand));
}

void InstalledStateTest::installedBasesFromInstal()
{
    WinRikFolderBuilder rik(freshFolder("bases"));
    QVERIFY(rik.writeNbIni("BASES/NB_0042", "3.5", "ФЕР-2020"));
    QVERIFY(rik.writeDealerIni("BASES/NB_0042", "2024-03-15 10:30"));
    QVERIFY(rik.writeNbIni("BASES/0043", "1.25", "ТЕР"));
    const QVector<InstalRow> rows{
        {"Местная", "0042", winRikDir(rik.path("BASES/NB_0042"))},
        {"ТЕР", "0043", winRikDir(rik.path("BASES/0043"))},
        {"not a base", "9999", winRikDir(rik.path("BASES/9999")), "a"},
        {"deleted", "0044", winRikDir(rik.path("BASES/0044")), "b", "G", true},
    };
    QVERIFY2(rik.writeInstal(rows), qPrintable(rik.errorString()));

    const zv::InstalledBaseList list = zv::installedBaseList(rik.root());
    QVERIFY(!list.accessFailed);
    QCOMPARE(list.bases.keys(), QStringList({"0042", "0043"}));

    const zv::NORMBASE first = list.bases.value("0042");
    QCOMPARE(first.baz, QString("0042"));
    // As the table holds it: WinRIK's DOS letters, which the catalogue decodes.
    QVERIFY(first.naim != QString("Местная"));
    QCOMPARE(zv::decodeDosText(first.naim), QString("Местная"));
    QCOMPARE(first.dir, winRikDir(rik.path("BASES/NB_0042")));
    QCOMPARE(first.version, 3.5f);
    QCOMPARE(first.nrspDate, QDateTime(QDate(2024, 3, 15), QTime(10, 30), Qt::LocalTime));

    const zv::NORMBASE second = list.bases.value("0043");
    QCOMPARE(second.version, 1.25f);
    QCOMPARE(second.nrspDate, QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::LocalTime));
}

void InstalledStateTest::installedBasesLaterRowWinsWhateverTheCase()
{
    WinRikFolderBuilder rik(freshFolder("bases case"));
    QVERIFY(rik.writeNbIni("A", "1", "A"));
    QVERIFY(rik.writeNbIni("B", "2", "B"));
    QVERIFY(rik.writeInstal({{"first", "AbCd", winRikDir(rik.path("A"))},
                             {"second", "aBcD", winRikDir(rik.path("B"))}}));
    const zv::InstalledBaseList list = zv::installedBaseList(rik.root());
    QCOMPARE(list.bases.size(), 1);
    QCOMPARE(list.bases.value("abcd").naim, QString("second"));
    QCOMPARE(list.bases.value("abcd").version, 2.0f);
}

void InstalledStateTest::installedBasesWithoutSmR()
{
    WinRikFolderBuilder rik(freshFolder("bases without sm_r"));
    LogCapture log;
    const zv::InstalledBaseList list = zv::installedBaseList(rik.root());
    QVERIFY(list.accessFailed);
    QVERIFY(list.bases.isEmpty());
    QCOMPARE(list.warningTitle, QString("Ошибка доступа"));
    QVERIFY2(list.warningText.endsWith("(" + zv::winrik::instalFolder(rik.root()) +
                                       "), список нормативных не обновлен!"),
             qPrintable(list.warningText));
    QVERIFY(list.warningText.size() > QString("(), список нормативных не обновлен!").size() +
                                          zv::winrik::instalFolder(rik.root()).size());
    QVERIFY(log.contains("Error", zv::winrik::instalFolder(rik.root())));
}

void InstalledStateTest::installedBasesWithoutInstalTable()
{
    WinRikFolderBuilder rik(freshFolder("bases without table"));
    QVERIFY(QDir().mkpath(rik.path("sm_r")));
    LogCapture log;
    const zv::InstalledBaseList list = zv::installedBaseList(rik.root());
    QVERIFY(!list.accessFailed);
    QVERIFY(list.bases.isEmpty());
    QVERIFY(log.contains("Error", "getInstalledBazeList: "));
}

void InstalledStateTest::installedBasesForGrandAreEmpty()
{
    WinRikFolderBuilder rik(freshFolder("bases grand"));
    QVERIFY(rik.writeInstal({{"base", "0042", winRikDir(rik.path("A"))}}));
    QCOMPARE(zv::installedBaseList(rik.root()).bases.size(), 1);
    const zv::InstalledBaseList list = zv::installedBaseList(rik.root(), DataTypes::Grand);
    QVERIFY(list.bases.isEmpty());
    QVERIFY(!list.accessFailed);
}

void InstalledStateTest::nbIniVersion_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<float>("version");
    QTest::newRow("Number=1.25") << QByteArray("[Version]\r\nNumber=1.25\r\n") << 1.25f;
    QTest::newRow("blanks around the sign") << QByteArray("[Version]\r\nNumber = 1.25\r\n") << 0.0f;
    QTest::newRow("other group first")
        << QByteArray("[Base]\r\nNumber=9\r\n[Version]\r\nName=x\r\nNumber=2.5\r\n") << 2.5f;
    QTest::newRow("only in another group")
        << QByteArray("[Version]\r\nName=x\r\n[Other]\r\nNumber=9\r\n") << 0.0f;
    QTest::newRow("group header with blanks") << QByteArray("  [Version]  \nNumber=4\n") << 4.0f;
    QTest::newRow("first Number line wins")
        << QByteArray("[Version]\nNumber=4\nNumber=5\n") << 4.0f;
    QTest::newRow("no group") << QByteArray("Number=4\n") << 0.0f;
    QTest::newRow("not a number") << QByteArray("[Version]\nNumber=abc\n") << 0.0f;
}

void InstalledStateTest::nbIniVersion()
{
    QFETCH(QByteArray, content);
    QFETCH(float, version);
    WinRikFolderBuilder rik(freshFolder("nbini " + QString::fromLatin1(QTest::currentDataTag())));
    QVERIFY(rik.writeFile("base/nb.ini", content));
    QCOMPARE(zv::nbIniVersion(rik.path("base/")), version);
    // A folder written without its trailing separator finds the same file.
    QCOMPARE(zv::nbIniVersion(rik.path("base")), version);
    // So does the folder as WinRIK stores it.
    QCOMPARE(zv::nbIniVersion(zv::baseFolderOnDisk(winRikDir(rik.path("base")))), version);
}

void InstalledStateTest::nbIniVersionOfAMissingFile()
{
    LogCapture log;
    QCOMPARE(zv::nbIniVersion(freshFolder("no base") + "/"), 0.0f);
    QVERIFY(log.contains("Error", "nbIniVersion: "));
}

void InstalledStateTest::nbIniNameIsTheFilesOwnBytes()
{
    WinRikFolderBuilder rik(freshFolder("nb name"));
    // "Сборник 'ред. №2' ФЕР-2020 а" in WinRIK's DOS code page, ending in the
    // letter whose byte Latin-1 calls a no-break space.
    const QByteArray name = QByteArray::fromHex("91a1aee0ada8aa2027e0a5a42e20fc322720") +
                            "\x94\x85\x90-2020 \xa0";
    QVERIFY(rik.writeFile("base/nb.ini", "[Version]\r\nNumber=1\r\nName= " + name + " \r\n"));
    QCOMPARE(zv::nbIniName(rik.path("base/nb.ini")), QString::fromLatin1(name));
    QVERIFY(zv::nbIniName(rik.path("nothing/nb.ini")).isEmpty());
}

void InstalledStateTest::dealerNrspDateOfAComposedFolder()
{
    WinRikFolderBuilder rik(freshFolder("composed"));
    QVERIFY(rik.writeDealerIni("parent/NB_0042", "2023-11-02 08:05"));
    zv::NORMBASE base;
    base.baz = "0042";
    base.parentDir = rik.path("parent");
    base.dirPrefix = "NB";
    QCOMPARE(zv::dealerNrspDate(base), QDateTime(QDate(2023, 11, 2), QTime(8, 5), Qt::LocalTime));
    QCOMPARE(base.dir, rik.path("parent/NB_0042"));

    zv::NORMBASE relative;
    relative.baz = "0042";
    relative.parentDir = "parent";
    relative.dirPrefix = "NB";
    QCOMPARE(zv::dealerNrspDate(relative, rik.root()),
             QDateTime(QDate(2023, 11, 2), QTime(8, 5), Qt::LocalTime));
    QCOMPARE(relative.dir, QString("parent/NB_0042"));
}

void InstalledStateTest::nrspDateText()
{
    const QDateTime time(QDate(2024, 3, 5), QTime(9, 7, 41), Qt::LocalTime);
    QCOMPARE(zv::nrspDateText(time), QString("2024-03-05 09:07"));
    QCOMPARE(zv::nrspDateFromText("2024-03-05 09:07"),
             QDateTime(QDate(2024, 3, 5), QTime(9, 7), Qt::LocalTime));
}

QTEST_GUILESS_MAIN(InstalledStateTest)
#include "tst_installedstate.moc"
