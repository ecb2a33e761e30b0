#include "install/dostext.h"
#include "install/winrikfolder.h"
#include "install/winrikrecords.h"

#include "tests/support/devserviceprocess.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>

using zv::NORMBASE;
using zv::VAR;
using zv::test::WinRikFolderBuilder;

class WinrikRecordsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { zv::test::enableTestMode(); QVERIFY(m_dir.isValid()); }

    void defaults()
    {
        const NORMBASE base;
        QCOMPARE(base.version, 0.0f);
        QCOMPARE(base.nrspDate, QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::LocalTime));
        const VAR var;
        QVERIFY(var.name.isEmpty() && var.type.isEmpty() && var.SUBVER_421.isEmpty());
        QVERIFY(!var.lastChange.isValid());
    }

    void composesTheFolderOfABaseWithoutDir_data()
    {
        QTest::addColumn<QString>("parentDir");
        QTest::addColumn<QString>("dirPrefix");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing but baz") << "" << "" << "" << "1234";
        QTest::newRow("parent only") << "C:/WinRIK/NB" << "" << "" << "C:/WinRIK/NB/1234";
        QTest::newRow("prefix only") << "" << "gesn" << "" << "gesn_1234";
        QTest::newRow("parent and prefix") << "NB" << "gesn" << "" << "NB/gesn_1234";
        QTest::newRow("dir given stays") << "NB" << "gesn" << "D:\\Bases\\X\\" << "D:\\Bases\\X\\";
    }

    void composesTheFolderOfABaseWithoutDir()
    {
        QFETCH(QString, parentDir);
        QFETCH(QString, dirPrefix);
        QFETCH(QString, dir);
        QFETCH(QString, expected);
        NORMBASE base;
        base.baz = "1234";
        base.parentDir = parentDir;
        base.dirPrefix = dirPrefix;
        base.dir = dir;
        QCOMPARE(zv::composedNormBaseDir(base), expected);
        zv::composeNormBaseDir(base);
        QCOMPARE(base.dir, expected);
    }

    void readsEndingsRowsByColumnNameIgnoringOthers()
    {
        WinRikFolderBuilder rik(m_dir.filePath("records"));
        zv::DbfField extra;
        extra.name = "ZZ_OTHER";
        extra.length = 8;
        VAR v;
        v.number = 9100;
        v.nn = 3;
        v.name = QString::fromLatin1("  \x8f\xe0\xa8");
        v.daNet = "Y";
        v.baze_1 = "b1";
        v.baze_4 = "b4";
        v.baze_G = "bg";
        v.baze_M = "bm";
        v.KONZ_ID = "k";
        v.RAZDEL = "r";
        v.B_421_MDS = "m";
        v.LIMZTRFILE = "lim.dbf";
        v.CENA_METOD = "c";
        v.C4NOT_INC3 = "c4";
        v.SUBVER_421 = "s";
        QVERIFY2(rik.writeEndingsTable("res", {v}, {extra}), qPrintable(rik.errorString()));
        zv::DbfDataSource source = zv::winrik::endingsSource(rik.root());
        QVERIFY(source.open());
        const auto records = source.readAll(zv::winrik::endingsTable("res"));
        QVERIFY2(records, qPrintable(source.lastError()));
        QVERIFY(records->at(0).contains("ZZ_OTHER"));
        const QVector<VAR> vars = zv::readVars(*records);
        QCOMPARE(vars.size(), 1);
        const VAR& r = vars[0];
        QCOMPARE(r.number, 9100);
        QCOMPARE(r.nn, 3);
        QCOMPARE(r.name, v.name); // leading blanks kept
        QCOMPARE(zv::decodeDosText(r.name), QString("  При"));
        QCOMPARE(QStringList({r.daNet, r.baze_1, r.baze_4, r.baze_G, r.baze_M, r.KONZ_ID, r.RAZDEL,
                              r.B_421_MDS, r.LIMZTRFILE, r.CENA_METOD, r.C4NOT_INC3, r.SUBVER_421}),
                 QStringList({"Y", "b1", "b4", "bg", "bm", "k", "r", "m", "lim.dbf", "c", "c4", "s"}));
        QVERIFY(r.type.isEmpty());
        QVERIFY(!r.lastChange.isValid());
    }

    void buildsPathsWithThePlatformsSeparators()
    {
        const QString sep = QDir::separator();
        const QString endings = zv::winrik::endingsFolder("/opt/WinRIK/");
        QCOMPARE(endings, QDir::toNativeSeparators("/opt/WinRIK/sm_r/var"));
        QVERIFY(!endings.contains(sep + sep));
        QCOMPARE(zv::winrik::instalFolder("/opt/WinRIK"), QDir::toNativeSeparators("/opt/WinRIK/sm_r"));
        QCOMPARE(zv::winrik::endingsTable("kc6"), QString("kc6_all"));
        QCOMPARE(zv::winrik::endingsRecordFile("/opt/WinRIK", "res", 9100),
                 QDir::toNativeSeparators("/opt/WinRIK/sm_r/var/res_9100.dbf"));
#ifdef Q_OS_WIN
        QCOMPARE(zv::winrik::endingsFolder("C:/Program Files/WinRIK"),
                 QString("C:\\Program Files\\WinRIK\\sm_r\\var"));
#endif
    }

    void sourcesShowOrHideDeletedRows()
    {
        WinRikFolderBuilder rik(m_dir.filePath("deleted"));
        QVERIFY(rik.writeInstal({{"Live", "1111", "C:\\NB\\1111\\"},
                                 {"Gone", "2222", "C:\\NB\\2222\\", "b", "G", true},
                                 {"Other kind", "3333", "", "x"}}));
        VAR a;
        a.number = 1;
        a.nn = 1;
        VAR b = a;
        b.number = 2;
        b.nn = 2;
        QVERIFY(rik.writeEndingsTable("loc", {a, b}, {}, {0}));

        zv::DbfDataSource instal = zv::winrik::instalSource(rik.root());
        QCOMPARE(instal.connectionName(), QString("dbfBase"));
        QVERIFY(instal.open());
        const auto bases = instal.select(zv::winrik::instalTable, "VID", "b");
        QVERIFY2(bases, qPrintable(instal.lastError()));
        QCOMPARE(bases->size(), 1);
        QCOMPARE(bases->at(0).text("BAZ_"), QString("1111"));
        QCOMPARE(bases->at(0).text("DIR"), QString("C:\\NB\\1111\\"));
        QCOMPARE(bases->at(0).text("DOP"), QString("G"));

        zv::DbfDataSource endings = zv::winrik::endingsSource(rik.root());
        QVERIFY(endings.open());
        const auto rows = endings.readAll("LOC_ALL");
        QCOMPARE(rows->size(), 2);
        QVERIFY(rows->at(0).isDeleted());
    }

    void builderWritesTheRestOfAWinrikFolder()
    {
        WinRikFolderBuilder rik(m_dir.filePath("folder"));
        const QDateTime when(QDate(2024, 1, 15), QTime(10, 30));
        QVERIFY(rik.writeNbIni("NB/gesn_1234", "3.5", "ГЭСН №1"));
        QVERIFY(rik.writeDealerIni("NB/gesn_1234", "2024-01-15 10:30"));
        QVERIFY(rik.writeLastChange("2.4.240315"));
        QVERIFY(rik.writeFile("IND/77/2024_1.ind", "index", when));
        QVERIFY(rik.writeEndingsRecordFile("res", 9100, when));

        QFile nb(rik.path("NB/gesn_1234/nb.ini"));
        QVERIFY(nb.open(QIODevice::ReadOnly));
        QVERIFY(nb.readAll().contains("Name=\xc3\xdd\xd1\xcd \xb9" "1"));
        QSettings ini(rik.path("NB/gesn_1234/nb.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value("Version/Number").toString(), QString("3.5"));
        QSettings dealer(rik.path("NB/gesn_1234/dealer.ini"), QSettings::IniFormat);
        QCOMPARE(dealer.value("nrspDate").toString(), QString("2024-01-15 10:30"));
        QFile rtf(rik.path("UTILS/Doc/LastChange.rtf"));
        QVERIFY(rtf.open(QIODevice::ReadOnly));
        QVERIFY(rtf.readAll().contains("2.4.240315"));
        QCOMPARE(QFileInfo(rik.path("IND/77/2024_1.ind")).lastModified(), when);
        QCOMPARE(QFileInfo(zv::winrik::endingsRecordFile(rik.root(), "res", 9100)).lastModified(), when);
        zv::DbfTable record;
        QVERIFY(record.load(rik.path("sm_r/var/res_9100.dbf")));
        QVERIFY(!rik.writeNbIni("NB/x", "1", "日本"));
        QVERIFY(!rik.errorString().isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(WinrikRecordsTest)
#include "tst_winrikrecords.moc"
