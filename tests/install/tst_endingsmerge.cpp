#include "install/dbfsource.h"
#include "install/dostext.h"
#include "install/endingsmerge.h"
#include "install/winrikfolder.h"

#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>

using zv::VAR;
using zv::test::LogCapture;
using zv::test::WinRikFolderBuilder;

namespace {

VAR row(int number, int nn, const QString& name, const QString& base4 = QString())
{
    VAR v;
    v.number = number;
    v.nn = nn;
    v.name = name;
    v.baze_4 = base4;
    v.daNet = QStringLiteral("D");
    return v;
}

VAR offered(const QString& type, int number, const QString& name)
{
    VAR v;
    v.type = type;
    v.number = number;
    v.name = name;
    v.daNet = QStringLiteral("N");
    v.baze_4 = QStringLiteral("b4 new");
    v.baze_1 = QStringLiteral("b1 new");
    v.baze_M = QStringLiteral("bm new");
    v.baze_G = QStringLiteral("bg new");
    v.B_421_MDS = QStringLiteral("421 new");
    v.RAZDEL = QStringLiteral("razdel new");
    v.LIMZTRFILE = QStringLiteral("lim new");
    v.KONZ_ID = QStringLiteral("konz new");
    v.CENA_METOD = QStringLiteral("cena new");
    v.C4NOT_INC3 = QStringLiteral("c4 new");
    v.SUBVER_421 = QStringLiteral("sub new");
    return v;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class EndingsMergeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { zv::test::enableTestMode(); }

    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        m_rik.reset(new WinRikFolderBuilder(m_dir->path()));
    }

    void overwritesEveryRowWithTheNumberAndMovesNothing()
    {
        QVERIFY(m_rik->writeEndingsTable("res", {row(5, 1, "five"), row(7, 2, "seven"),
                                                 row(9, 3, "nine"), row(7, 4, "seven again")}));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("res", 7, "Семь")));
        const QVector<VAR> rows = table("res");
        QCOMPARE(rows.size(), 4);
        QCOMPARE(numbers(rows), QVector<int>({5, 7, 9, 7}));
        QCOMPARE(nns(rows), QVector<int>({1, 2, 3, 4}));
        for (int i : {1, 3}) {
            QCOMPARE(zv::decodeDosText(rows[i].name), QString("Семь"));
            QCOMPARE(rows[i].SUBVER_421, QString("sub new"));
            QCOMPARE(rows[i].LIMZTRFILE, QString("lim new"));
            QCOMPARE(rows[i].daNet, QString("N"));
        }
        QCOMPARE(rows[0].name, QString("five"));
        QCOMPARE(rows[2].name, QString("nine"));
        QCOMPARE(rows[2].daNet, QString("D"));
    }

    void insertsBetweenTheNumberBands()
    {
        QVERIFY(m_rik->writeEndingsTable("loc", {row(9600, 1, "a9600"), row(9050, 2, "a9050"),
                                                 row(9200, 3, "a9200"), row(100, 4, "a100")}));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("loc", 9100, "new9100")));
        const QVector<VAR> rows = table("loc");
        QCOMPARE(numbers(rows), QVector<int>({9600, 9050, 9100, 9200, 100}));
        QCOMPARE(nns(rows), QVector<int>({1, 2, 3, 4, 5}));
        QCOMPARE(names(rows), QStringList({"a9600", "a9050", "new9100", "a9200", "a100"}));
        QCOMPARE(rows[2].baze_4, QString("b4 new"));
        QCOMPARE(rows[2].RAZDEL, QString("razdel new"));
        // "loc" carries no LIMZTRFILE: the new row leaves it blank.
        QCOMPARE(rows[2].LIMZTRFILE, QString());
    }

    void appendsBehindATableAboveTheBands()
    {
        QVERIFY(m_rik->writeEndingsTable("obe", {row(9700, 1, "a"), row(9800, 2, "b")}));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("obe", 9600, "c")));
        const QVector<VAR> rows = table("obe");
        QCOMPARE(numbers(rows), QVector<int>({9700, 9800, 9600}));
        QCOMPARE(nns(rows), QVector<int>({1, 2, 3}));
        QCOMPARE(rows[2].name, QString("c"));
    }

    void kc6ChangesOnlyNameNumberAndDaNet()
    {
        QVERIFY(m_rik->writeEndingsTable("kc6", {row(10, 1, "ten", "keep10"), row(20, 2, "twenty", "keep20")}));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("kc6", 20, "new twenty")));
        QVector<VAR> rows = table("kc6");
        QCOMPARE(rows[1].name, QString("new twenty"));
        QCOMPARE(rows[1].daNet, QString("N"));
        QCOMPARE(rows[1].baze_4, QString("keep20"));
        QCOMPARE(rows[1].RAZDEL, QString());

        QVERIFY(zv::mergeEndings(m_dir->path(), offered("kc6", 5, "five")));
        rows = table("kc6");
        QCOMPARE(numbers(rows), QVector<int>({5, 10, 20}));
        QCOMPARE(names(rows), QStringList({"five", "ten", "new twenty"}));
        QCOMPARE(rows[0].daNet, QString("N"));
        // Columns outside kc6's set move with their own record; the new one
        // has none of them.
        QCOMPARE(rows[0].baze_4, QString());
        QCOMPARE(rows[1].baze_4, QString("keep10"));
        QCOMPARE(rows[2].baze_4, QString("keep20"));
        QCOMPARE(nns(rows), QVector<int>({1, 2, 3}));
    }

    void storesNamesWithApostrophesAndCyrillicAsTheyStand()
    {
        QVERIFY(m_rik->writeEndingsTable("res", {row(1, 1, QString::fromLatin1("\x8f\xe0\xa8"))}));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("res", 2, "Д'Артаньян 'x'")));
        const QVector<VAR> rows = table("res");
        QCOMPARE(numbers(rows), QVector<int>({2, 1}));
        QCOMPARE(zv::decodeDosText(rows[0].name), QString("Д'Артаньян 'x'"));
        // The moved row's CP866 name comes back as the same bytes.
        QCOMPARE(zv::decodeDosText(rows[1].name), QString("При"));
        QVERIFY(bytesOf(tablePath("res")).contains(QByteArray("\x84'\x80\xe0\xe2", 5)));
    }

    void keepsDeletedRowsDeletedWhenTheyMove()
    {
        QVERIFY(m_rik->writeEndingsTable("res", {row(10, 1, "ten"), row(20, 2, "gone"), row(30, 3, "thirty")},
                                         {}, {1}));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("res", 5, "five")));
        zv::DbfDataSource source = zv::winrik::endingsSource(m_dir->path());
        QVERIFY(source.open());
        const auto records = source.readAll("res_all");
        QVERIFY(records);
        QCOMPARE(records->size(), 4);
        QVector<bool> deleted;
        QStringList order;
        for (const zv::DbfRecord& r : *records) {
            deleted.append(r.isDeleted());
            order.append(r.text("NAIM"));
        }
        QCOMPARE(order, QStringList({"five", "ten", "gone", "thirty"}));
        QCOMPARE(deleted, QVector<bool>({false, false, true, false}));
    }

    void startsTheNumberingOfAnEmptyTable()
    {
        QVERIFY(m_rik->writeEndingsTable("kc3", {}));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("kc3", 42, "first")));
        const QVector<VAR> rows = table("kc3");
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].number, 42);
        QCOMPARE(rows[0].nn, 1);
    }

    void refusesTablesOutOfOrderAndLeavesThemAlone_data()
    {
        QTest::addColumn<QVector<int>>("numbersInTable");
        QTest::addColumn<QVector<int>>("nnInTable");
        QTest::addColumn<int>("offeredNumber");
        QTest::newRow("kept row behind a moved row") << QVector<int>{100, 9600} << QVector<int>{1, 2} << 200;
        QTest::newRow("gap in NN") << QVector<int>{100, 200} << QVector<int>{1, 3} << 50;
        QTest::newRow("repeated NN") << QVector<int>{100, 200} << QVector<int>{1, 1} << 50;
        QTest::newRow("descending NN") << QVector<int>{100, 200} << QVector<int>{2, 1} << 50;
    }

    void refusesTablesOutOfOrderAndLeavesThemAlone()
    {
        QFETCH(QVector<int>, numbersInTable);
        QFETCH(QVector<int>, nnInTable);
        QFETCH(int, offeredNumber);
        QVector<VAR> rows;
        for (int i = 0; i < numbersInTable.size(); ++i)
            rows.append(row(numbersInTable[i], nnInTable[i], QString("r%1").arg(i)));
        QVERIFY(m_rik->writeEndingsTable("res", rows));
        const QByteArray before = bytesOf(tablePath("res"));
        LogCapture log;
        QVERIFY(!zv::mergeEndings(m_dir->path(), offered("res", offeredNumber, "new")));
        QVERIFY(log.contains("Error", "mergeEndings: res_all"));
        QCOMPARE(bytesOf(tablePath("res")), before);
    }

    void aFailingWriteLeavesTheTableAsItWas()
    {
        // NAIM is 254 characters wide: a longer name cannot be stored.
        QVERIFY(m_rik->writeEndingsTable("res", {row(1, 1, "one"), row(2, 2, "two")}));
        const QByteArray before = bytesOf(tablePath("res"));
        LogCapture log;
        QVERIFY(!zv::mergeEndings(m_dir->path(), offered("res", 0, QString(300, 'x'))));
        QVERIFY(!zv::mergeEndings(m_dir->path(), offered("res", 2, QString(300, 'x'))));
        QVERIFY(!zv::mergeEndings(m_dir->path(), offered("res", 3, QString::fromUtf8("日本"))));
        QVERIFY(log.contains("Error", "NAIM"));
        QCOMPARE(bytesOf(tablePath("res")), before);
    }

    void failsCleanlyWithoutTableFolderOrRik()
    {
        LogCapture log;
        QVERIFY(!zv::mergeEndings(m_dir->path(), offered("res", 1, "x")));
        QVERIFY(log.contains("Error", "dbfBase"));
        QVERIFY(m_rik->writeEndingsTable("loc", {row(1, 1, "one")}));
        log.clear();
        QVERIFY(!zv::mergeEndings(m_dir->path(), offered("res", 1, "x")));
        QVERIFY(log.contains("Error", "mergeEndings: res_all"));
        QVERIFY(!QFile::exists(tablePath("res")));
        QVERIFY(!zv::mergeEndings(m_dir->path(), offered("loc", 1, "x"), DataTypes::Grand));
        QCOMPARE(table("loc")[0].name, QString("one"));
    }

    void movesFurtherColumnsWithTheirRows()
    {
        zv::DbfField comment;
        comment.name = "COMMENT";
        comment.length = 30;
        zv::DbfField sum;
        sum.name = "SUMMA";
        sum.type = 'N';
        sum.length = 10;
        sum.decimals = 2;
        QVector<QVariantMap> rows;
        for (int i : {1, 2, 3})
            rows.append({{"NUM", 9600 + 100 * (i == 1 ? 0 : i)}, {"NN", i}, {"NAIM", QString("r%1").arg(i)},
                         {"COMMENT", QString("note %1").arg(i)}, {"SUMMA", 1.25 * i}});
        rows[2]["NUM"] = 100;
        QVERIFY2(m_rik->writeTable("sm_r/var/res_all.dbf", WinRikFolderBuilder::endingsFields() + QVector<zv::DbfField>{comment, sum},
                                   rows),
                 qPrintable(m_rik->errorString()));
        QVERIFY(zv::mergeEndings(m_dir->path(), offered("res", 50, "new")));

        zv::DbfDataSource source = zv::winrik::endingsSource(m_dir->path());
        QVERIFY(source.open());
        const auto records = source.readAll("res_all");
        QVERIFY(records);
        QStringList seen;
        for (const zv::DbfRecord& r : *records)
            seen.append(QString("%1/%2/%3/%4/%5").arg(r.text("NUM"), r.text("NN"), r.text("NAIM"),
                                                      r.text("COMMENT"), r.text("SUMMA")));
        QCOMPARE(seen, QStringList({"9600/1/r1/note 1/1.25", "9800/2/r2/note 2/2.5", "50/3/new//",
                                    "100/4/r3/note 3/3.75"}));
    }

private:
    QString tablePath(const QString& type) const
    {
        return m_dir->path() + "/sm_r/var/" + type + "_all.dbf";
    }

    QVector<VAR> table(const QString& type) const
    {
        zv::DbfDataSource source = zv::winrik::endingsSource(m_dir->path());
        if (!source.open())
            return {};
        const auto records = source.readAll(zv::winrik::endingsTable(type));
        return records ? zv::readVars(*records) : QVector<VAR>();
    }

    static QVector<int> numbers(const QVector<VAR>& rows)
    {
        QVector<int> out;
        for (const VAR& v : rows)
            out.append(v.number);
        return out;
    }

    static QVector<int> nns(const QVector<VAR>& rows)
    {
        QVector<int> out;
        for (const VAR& v : rows)
            out.append(v.nn);
        return out;
    }

    static QStringList names(const QVector<VAR>& rows)
    {
        QStringList out;
        for (const VAR& v : rows)
            out.append(v.name);
        return out;
    }

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<WinRikFolderBuilder> m_rik;
};

QTEST_GUILESS_MAIN(EndingsMergeTest)
#include "tst_endingsmerge.moc"
