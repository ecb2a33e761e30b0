#include "install/dbfsource.h"
#include "install/dbftable.h"
#include "install/dostext.h"

#include "tests/support/devserviceprocess.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using zv::DbfDataSource;
using zv::DbfField;
using zv::DbfTable;
using zv::DeletedRows;

namespace {

DbfField field(const char* name, char type, int length, int decimals = 0)
{
    DbfField f;
    f.name = QString::fromLatin1(name);
    f.type = type;
    f.length = length;
    f.decimals = decimals;
    return f;
}

// A dBASE IV file put together byte by byte, independent of the layer's
// writer: descriptors carry reserved bytes and the header a language driver
// and an index flag, as dBASE IV writes them.
QByteArray handBuiltFile(const QVector<DbfField>& fields, const QVector<QByteArray>& rows,
                         const QByteArray& deletionFlags = QByteArray())
{
    int recordLength = 1;
    for (const DbfField& f : fields)
        recordLength += f.length;
    const int headerLength = 32 + 32 * fields.size() + 1;
    QByteArray h(32, '\0');
    h[0] = 0x04;
    h[1] = 98; h[2] = 7; h[3] = 15;
    h[4] = char(rows.size());
    h[8] = char(headerLength & 0xFF); h[9] = char(headerLength >> 8);
    h[10] = char(recordLength & 0xFF); h[11] = char(recordLength >> 8);
    h[14] = 0x01; // incomplete-transaction flag
    h[28] = 0x01; // production index present
    h[29] = 0x65; // language driver: CP866
    for (int i = 12; i < 28; ++i)
        if (h[i] == '\0')
            h[i] = char(0x40 + i);
    for (const DbfField& f : fields) {
        QByteArray d(32, '\0');
        const QByteArray name = f.name.toLatin1();
        d.replace(0, name.size(), name);
        d[11] = f.type;
        d[16] = char(f.length);
        d[17] = char(f.decimals);
        d[20] = 0x01; d[31] = 0x7E; // work-area id and reserved bytes
        h.append(d);
    }
    h.append('\x0D');
    for (int r = 0; r < rows.size(); ++r) {
        h.append(r < deletionFlags.size() ? deletionFlags.at(r) : ' ');
        h.append(rows.at(r));
    }
    h.append('\x1A');
    return h;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QVector<DbfField> kMixedFields{field("NAME", 'C', 10), field("QTY", 'N', 5),
                                     field("PRICE", 'N', 8, 2), field("RATE", 'F', 10, 3),
                                     field("OK", 'L', 1), field("DAY", 'D', 8)};

QByteArray mixedRow(const QByteArray& name, const QByteArray& qty, const QByteArray& price,
                    const QByteArray& rate, char ok, const QByteArray& day)
{
    auto pad = [](QByteArray b, int n, bool right) {
        const QByteArray fill(n - b.size(), ' ');
        return right ? fill + b : b + fill;
    };
    return pad(name, 10, false) + pad(qty, 5, true) + pad(price, 8, true) + pad(rate, 10, true)
         + QByteArray(1, ok) + pad(day, 8, false);
}

} // namespace

class DbfTableTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { zv::test::enableTestMode(); QVERIFY(m_dir.isValid()); }

    void readsEveryFieldTypeOfAHandBuiltFile()
    {
        const QByteArray cp866Lev("\x8B\xA5\xA2", 3); // "Лев"
        const QByteArray bytes = handBuiltFile(
            kMixedFields, {mixedRow("  " + cp866Lev, "42", "1234.50", "-0.125", 'T', "20240315"),
                           mixedRow("", "", "", "", '?', ""),
                           mixedRow("x", "***", "abc", "1e999", 'n', "20241340")});
        DbfTable table;
        QVERIFY2(table.parse(bytes), qPrintable(table.errorString()));
        QCOMPARE(table.fieldNames(), QStringList({"NAME", "QTY", "PRICE", "RATE", "OK", "DAY"}));
        QCOMPARE(table.rowCount(), 3);

        const zv::DbfRecord first = table.record(0);
        // Leading blanks stay, padding goes, each byte is one character.
        QCOMPARE(first.value("name").toString(), QString::fromLatin1("  \xc2\x8b\xa5\xa2").mid(0, 2)
                                                     + QChar(0x2039) + QChar(0xA5) + QChar(0xA2));
        QCOMPARE(zv::decodeDosText(first.value("NAME").toString()), QString("  Лев"));
        QCOMPARE(first.value("QTY"), QVariant(qlonglong(42)));
        QCOMPARE(first.value("PRICE").toDouble(), 1234.5);
        QCOMPARE(first.value("RATE").toDouble(), -0.125);
        QCOMPARE(first.value("OK"), QVariant(true));
        QCOMPARE(first.value("DAY").toDate(), QDate(2024, 3, 15));
        QCOMPARE(first.text("QTY"), QString("42"));

        // Blank or unreadable numbers, logicals and dates read as null.
        for (int row : {1, 2}) {
            const zv::DbfRecord r = table.record(row);
            QVERIFY(r.value("QTY").isNull());
            QVERIFY(r.value("PRICE").isNull());
            QVERIFY(r.value("RATE").isNull());
            QVERIFY(r.value("DAY").isNull());
        }
        QVERIFY(table.record(1).value("OK").isNull());
        QCOMPARE(table.record(2).value("OK"), QVariant(false));
        QVERIFY(!table.record(0).value("MISSING").isValid());
    }

    void keepsHeaderBytesAndUntouchedColumnsOnWrite()
    {
        const QByteArray original = handBuiltFile(
            kMixedFields, {mixedRow("one", "1", "1.00", "1.000", 'T', "20240101"),
                           mixedRow("two", "2", "2.00", "2.000", 'F', "20240202")});
        const QString path = m_dir.filePath("header.dbf");
        QVERIFY(writeBytes(path, original));
        DbfTable table;
        QVERIFY(table.load(path));
        QVERIFY(table.setValues(1, {{"NAME", "zwei"}}));
        QVERIFY2(table.save(), qPrintable(table.errorString()));
        const QByteArray written = readBytes(path);

        QCOMPARE(written.size(), original.size());
        QCOMPARE(written.at(0), original.at(0));
        // Only the date of the last change (bytes 1-3) may differ in the header.
        const int headerLength = 32 + 32 * kMixedFields.size() + 1;
        QCOMPARE(written.mid(4, headerLength - 4), original.mid(4, headerLength - 4));
        const QDate today = QDate::currentDate();
        QCOMPARE(int(written.at(1)), today.year() - 1900);
        QCOMPARE(int(written.at(2)), today.month());
        QCOMPARE(int(written.at(3)), today.day());
        // Row 0 untouched, row 1 changed in NAME only.
        const int recordLength = 1 + 10 + 5 + 8 + 10 + 1 + 8;
        QCOMPARE(written.mid(headerLength, recordLength), original.mid(headerLength, recordLength));
        QCOMPARE(written.mid(headerLength + recordLength + 11, recordLength - 11),
                 original.mid(headerLength + recordLength + 11, recordLength - 11));
        QCOMPARE(written.mid(headerLength + recordLength + 1, 10), QByteArray("zwei      "));
    }

    void writesTextByTheByteRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("latin-1 as its byte") << QString("é\u00a0ÿ") << QByteArray("\xe9\xa0\xff");
        QTest::newRow("1252 euro") << QString("€") << QByteArray("\x80");
        QTest::newRow("1252 quotes and dashes") << QString("„—™Ÿ") << QByteArray("\x84\x97\x99\x9f");
        QTest::newRow("undefined 1252 codes") << QString("\u0081\u008d\u008f\u0090\u009d")
                                               << QByteArray("\x81\x8d\x8f\x90\x9d");
        QTest::newRow("cyrillic as CP866") << QString("АЯая Ёё №") << QByteArray("\x80\x9f\xa0\xef \xf0\xf1 \xfc");
        QTest::newRow("apostrophe as it stands") << QString("O'Brien") << QByteArray("O'Brien");
        QTest::newRow("leading blanks kept") << QString("  x") << QByteArray("  x");
    }

    void writesTextByTheByteRules()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        DbfTable table;
        QVERIFY(table.create({field("T", 'C', 12)}));
        QVERIFY2(table.appendRow({{"T", text}}), qPrintable(table.errorString()));
        const QByteArray file = table.toBytes();
        const int dataStart = 32 + 32 + 1 + 1;
        QCOMPARE(file.mid(dataStart, 12), bytes + QByteArray(12 - bytes.size(), ' '));
        DbfTable back;
        QVERIFY(back.parse(file));
        QCOMPARE(zv::decodeDosText(back.record(0).value("T").toString()), zv::decodeDosText(text));
    }

    void everyByteSurvivesReadDecodeAndWrite()
    {
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        DbfTable table;
        QVERIFY(table.parse(handBuiltFile({field("T", 'C', 255)}, {all})));
        const QString read = table.record(0).value("T").toString();
        QCOMPARE(read.size(), 255);
        for (const QString& value : {read, zv::decodeDosText(read)}) {
            DbfTable copy;
            QVERIFY(copy.create({field("T", 'C', 254)}));
            QVERIFY(copy.parse(handBuiltFile({field("T", 'C', 255)}, {QByteArray(255, ' ')})));
            QVERIFY2(copy.setValues(0, {{"T", value}}), qPrintable(copy.errorString()));
            QCOMPARE(copy.toBytes().mid(32 + 32 + 1 + 1, 255), all);
        }
    }

    void refusesWhatItCannotStoreAndChangesNothing_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("character without a byte") << "NAME" << QVariant(QString("日本"));
        QTest::newRow("greek letter") << "NAME" << QVariant(QString("αβ"));
        QTest::newRow("text too long") << "NAME" << QVariant(QString("elevenchars"));
        QTest::newRow("number too wide") << "QTY" << QVariant(123456);
        QTest::newRow("not a number") << "PRICE" << QVariant(QString("12,5x"));
        QTest::newRow("fraction in a whole column") << "QTY" << QVariant(1.5);
        QTest::newRow("more decimals than the column") << "PRICE" << QVariant(3.14159);
        QTest::newRow("not a logical") << "OK" << QVariant(QString("maybe"));
        QTest::newRow("not a date") << "DAY" << QVariant(QString("20241340"));
        QTest::newRow("unknown column") << "NOPE" << QVariant(QString("x"));
    }

    void refusesWhatItCannotStoreAndChangesNothing()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        DbfTable table;
        QVERIFY(table.parse(handBuiltFile(kMixedFields, {mixedRow("keep", "7", "7.00", "7.000", 'T', "20240707")})));
        const QByteArray before = table.toBytes();
        QVERIFY(!table.setValues(0, {{"NAME", "changed"}, {column, value}}));
        QVERIFY(!table.errorString().isEmpty());
        QVERIFY(table.errorString().contains(column, Qt::CaseInsensitive));
        QCOMPARE(table.toBytes(), before);
        QVERIFY(!table.appendRow({{column, value}}));
        QCOMPARE(table.rowCount(), 1);
    }

    void writesNumbersLogicalsAndDates()
    {
        DbfTable table;
        QVERIFY(table.create(kMixedFields));
        QVERIFY2(table.appendRow({{"QTY", 42}, {"PRICE", 3.14}, {"RATE", QString(" 2.5 ")},
                                  {"OK", false}, {"DAY", QDate(2023, 12, 31)}}),
                 qPrintable(table.errorString()));
        QVERIFY(table.appendRow({{"QTY", QString("-17")}, {"OK", QString("y")}, {"DAY", QString("20000229")}}));
        const QByteArray row = table.toBytes().mid(32 + 32 * 6 + 1, 43);
        QCOMPARE(row, QByteArray(" ") + QByteArray(10, ' ') + "   42" + "    3.14" + "     2.500" + "F" + "20231231");
        DbfTable back;
        QVERIFY(back.parse(table.toBytes()));
        QCOMPARE(back.record(1).value("QTY"), QVariant(qlonglong(-17)));
        QCOMPARE(back.record(1).value("OK"), QVariant(true));
        QCOMPARE(back.record(1).value("DAY").toDate(), QDate(2000, 2, 29));
        QVERIFY(back.record(1).value("PRICE").isNull());
    }

    void keepsRecordsInPlaceWhenAFieldHasAnOddLength()
    {
        // Another writer's date column of 6 bytes: a date cannot be stored in
        // it, and the refusal leaves the record as it was.
        DbfTable table;
        QVERIFY(table.parse(handBuiltFile({field("DAY", 'D', 6), field("NAME", 'C', 4)},
                                          {QByteArray("240101abcd")})));
        const QByteArray before = table.toBytes();
        QVERIFY(!table.setValues(0, {{"DAY", QDate(2024, 1, 2)}}));
        QVERIFY(table.errorString().contains("DAY"));
        QCOMPARE(table.toBytes(), before);
        QVERIFY(table.setValues(0, {{"NAME", "efgh"}}));
        QCOMPARE(table.record(0).value("NAME").toString(), QString("efgh"));
        DbfTable back;
        QVERIFY(back.parse(table.toBytes()));
    }

    void createRefusesImpossibleFields()
    {
        DbfTable table;
        QVERIFY(!table.create({}));
        QVERIFY(!table.create({field("ELEVENCHARS", 'C', 5)}));
        QVERIFY(!table.create({field("D", 'D', 6)}));
        QVERIFY(!table.create({field("C", 'C', 300)}));
        QVERIFY(!table.create({field("N", 'N', 5, 5)}));
        QVERIFY(table.create({field("OK", 'C', 254)}));
    }

    void dataSourceFindsTablesAndTellsOpenFromQueryFailures()
    {
        DbfDataSource missing(m_dir.filePath("no such folder"), DeletedRows::Hidden, "dbfBase");
        QVERIFY(!missing.open());
        QVERIFY(!missing.lastError().isEmpty());
        QVERIFY(!missing.readAll("INSTAL"));

        const QString folder = m_dir.filePath("source");
        QVERIFY(QDir().mkpath(folder));
        DbfTable t;
        QVERIFY(t.create({field("VID", 'C', 1), field("NAIM", 'C', 20)}));
        QVERIFY(t.appendRow({{"VID", "b"}, {"NAIM", "first"}}));
        QVERIFY(t.save(folder + "/instal.dbf"));
        QVERIFY(writeBytes(folder + "/GARBAGE.DBF", QByteArray(200, 'g')));

        DbfDataSource source(folder, DeletedRows::Hidden, "dbfBase");
        QVERIFY(source.open());
        const auto rows = source.readAll("INSTAL");
        QVERIFY2(rows, qPrintable(source.lastError()));
        QCOMPARE(rows->size(), 1);
        QCOMPARE(rows->at(0).value("NAIM").toString(), QString("first"));

        QVERIFY(!source.readAll("absent"));
        QVERIFY(source.lastError().contains("absent"));
        QVERIFY(!source.readAll("garbage"));
        QVERIFY(!source.lastError().isEmpty());
        QCOMPARE(source.update("garbage", "VID", "b", {{"NAIM", "x"}}), -1);
        QVERIFY(!source.append("absent", {{"NAIM", "x"}}));
        QVERIFY(!QFile::exists(folder + "/absent.dbf"));
    }

    void selectUpdateAndAppendPassValuesAsValues()
    {
        const QString folder = m_dir.filePath("values");
        QVERIFY(QDir().mkpath(folder));
        DbfTable t;
        QVERIFY(t.create({field("VID", 'C', 1), field("NAIM", 'C', 30), field("NUM", 'N', 4)}));
        QVERIFY(t.appendRow({{"VID", "b"}, {"NAIM", "one"}, {"NUM", 1}}));
        QVERIFY(t.appendRow({{"VID", "x"}, {"NAIM", "two"}, {"NUM", 2}}));
        QVERIFY(t.appendRow({{"VID", "b"}, {"NAIM", "three"}, {"NUM", 3}}));
        QVERIFY(t.save(folder + "/T.DBF"));

        DbfDataSource source(folder, DeletedRows::Hidden);
        QVERIFY(source.open());
        QCOMPARE(source.select("t", "VID", "b")->size(), 2);
        QCOMPARE(source.select("t", "VID", "B")->size(), 0);
        QCOMPARE(source.select("t", "NUM", 2)->at(0).value("NAIM").toString(), QString("two"));
        QCOMPARE(source.select("t", "NUM", "3")->size(), 1);
        QVERIFY(!source.select("t", "NOPE", 1));

        QCOMPARE(source.update("t", "VID", "b", {{"NAIM", "it's O'Brien's"}}), 2);
        QCOMPARE(source.select("t", "NAIM", "it's O'Brien's")->size(), 2);
        const QByteArray before = readBytes(folder + "/T.DBF");
        QCOMPARE(source.update("t", "NUM", 99, {{"NAIM", "none"}}), 0);
        QCOMPARE(readBytes(folder + "/T.DBF"), before);
        QCOMPARE(source.update("t", "NUM", 1, {{"NAIM", QString(31, 'x')}}), -1);
        QCOMPARE(readBytes(folder + "/T.DBF"), before);

        QVERIFY(source.append("t", {{"VID", "b"}, {"NAIM", "'; DROP TABLE t; --"}}));
        const auto all = source.readAll("t");
        QCOMPARE(all->size(), 4);
        QCOMPARE(all->last().value("NAIM").toString(), QString("'; DROP TABLE t; --"));
        QVERIFY(all->last().value("NUM").isNull());
    }

    void deletedRowsAreShownOrHiddenBySource()
    {
        const QString folder = m_dir.filePath("deleted");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeBytes(folder + "/d.dbf",
                           handBuiltFile({field("NAIM", 'C', 5)}, {"live1", "gone ", "live2"}, " * ")));
        DbfDataSource hidden(folder, DeletedRows::Hidden);
        DbfDataSource shown(folder, DeletedRows::Shown);
        QVERIFY(hidden.open() && shown.open());
        QCOMPARE(hidden.readAll("d")->size(), 2);
        QCOMPARE(hidden.select("d", "NAIM", "gone")->size(), 0);
        const auto all = shown.readAll("d");
        QCOMPARE(all->size(), 3);
        QVERIFY(all->at(1).isDeleted());
        QCOMPARE(all->at(1).value("NAIM").toString(), QString("gone"));
        QCOMPARE(hidden.update("d", "NAIM", "gone", {{"NAIM", "back"}}), 0);
        QCOMPARE(shown.update("d", "NAIM", "gone", {{"NAIM", "back"}}), 1);
        QVERIFY(shown.readAll("d")->at(1).isDeleted());
    }

    void anInterruptedWriteLeavesTheTableAsItWas()
    {
        const QString folder = m_dir.filePath("full");
        QVERIFY(QDir().mkpath(folder));
        DbfTable t;
        QVERIFY(t.create({field("NAIM", 'C', 200)}));
        for (int i = 0; i < 100; ++i)
            QVERIFY(t.appendRow({{"NAIM", QString("row %1").arg(i)}}));
        QVERIFY(t.save(folder + "/big.dbf"));
        const QByteArray before = readBytes(folder + "/big.dbf");
        QVERIFY(before.size() > 20000);

        // A file size limit makes the disk refuse the copy halfway, as a full
        // disk would.
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(before.size() / 2);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        DbfDataSource source(folder, DeletedRows::Hidden);
        QVERIFY(source.open());
        const int updated = source.update("big", "NAIM", "row 5", {{"NAIM", "changed"}});
        const bool appended = source.append("big", {{"NAIM", "new"}});
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, SIG_DFL);

        QCOMPARE(updated, -1);
        QVERIFY(!appended);
        QVERIFY(!source.lastError().isEmpty());
        QCOMPARE(readBytes(folder + "/big.dbf"), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"big.dbf"}));
        QCOMPARE(source.update("big", "NAIM", "row 5", {{"NAIM", "changed"}}), 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(DbfTableTest)
#include "tst_dbftable.moc"
