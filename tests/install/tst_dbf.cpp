#include "install/dbfsource.h"
#include "install/dbftext.h"
#include "install/dostext.h"

#include "tests/support/devserviceprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextCodec>
#include <QtTest>

using namespace zv;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Debian's python3-dbf (writer) and python3-dbfread (reader): dBASE code of others.
QJsonObject python(const char* script, const QString& table)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start("/usr/bin/python3", {qEnvironmentVariable("ZV_SOURCE_DIR") + "/tests/install/" + script, table});
    p.waitForFinished(60000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Our table as python3-dbfread reads it (` for ").
const QString kOurRows = QString(
    "[{`DAY`:`2024-02-29`,`NAIM`:`Пример Ёё №1`,`NUM`:9100,`OK`:true,`PRICE`:-0.5,`RATE`:3.25,`_deleted`:false},"
    "{`DAY`:null,`NAIM`:`  Д'Артаньян`,`NUM`:0,`OK`:false,`PRICE`:null,`RATE`:null,`_deleted`:false},"
    "{`DAY`:null,`NAIM`:`gone`,`NUM`:null,`OK`:null,`PRICE`:null,`RATE`:null,`_deleted`:true}]").replace('`', '"');

const QString kLetters = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя№";

} // namespace

// The dBASE layer byte for byte, against python3-dbf and python3-dbfread.
class DbfTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { test::enableTestMode(); QVERIFY(m_dir.isValid()); }

    void anotherReaderReadsWhatWeWrote()
    {
        DbfTable t;
        QVERIFY(t.create({{"NAIM", 'C', 40}, {"NUM", 'N', 6}, {"PRICE", 'N', 12, 3}, {"RATE", 'F', 10, 2},
                          {"OK", 'L', 1}, {"DAY", 'D', 8}}));
        QVERIFY(t.appendRow({{"NAIM", "Пример Ёё №1"}, {"NUM", 9100}, {"PRICE", -0.5}, {"RATE", 3.25},
                             {"OK", true}, {"DAY", QDate(2024, 2, 29)}}));
        QVERIFY(t.appendRow({{"NAIM", "  Д'Артаньян"}, {"NUM", 0}, {"OK", false}}));
        QVERIFY(t.appendRow({{"NAIM", "gone"}}) && t.setDeleted(2, true) && t.save(m_dir.filePath("ours.dbf")));
        const QJsonObject read = python("tst_dbf_read.py", m_dir.filePath("ours.dbf"));
        QCOMPARE(QString(QJsonDocument(read["rows"].toArray()).toJson(QJsonDocument::Compact)), kOurRows);
        const QByteArray bytes = bytesOf(m_dir.filePath("ours.dbf"));
        const int headerLength = read["headerlen"].toInt();
        QCOMPARE(headerLength, 32 + 6 * 32 + 1);
        QCOMPARE(read["recordlen"].toInt(), 1 + 40 + 6 + 12 + 10 + 1 + 8);
        QCOMPARE(read["date"].toString(), QDate::currentDate().toString(Qt::ISODate));
        QCOMPARE(bytes.at(0), '\x03');
        QCOMPARE(bytes.at(headerLength - 1), '\x0D');
        QCOMPARE(bytes.size(), headerLength + 3 * read["recordlen"].toInt() + 1);
        QCOMPARE(bytes.back(), '\x1A');
    }

    void readsAndChangesWhatAnotherWriterWrote()
    {
        const QString path = m_dir.filePath("theirs.dbf");
        python("tst_dbf_write.py", path);
        const QByteArray original = bytesOf(path);
        DbfTable t;
        QVERIFY2(t.load(path), qPrintable(t.errorString()));
        QStringList rows;
        for (const DbfRecord& r : t.records(true))
            rows << QStringList{decodeDosText(r.text("NAME")), r.text("QTY"), r.text("PRICE"), r.text("OK"),
                                r.text("DAY"), r.isDeleted() ? "deleted" : "live"}.join('|');
        QCOMPARE(rows, QStringList({"Лев №5 ёж|42|12.5|T|20240315|live", "leading|-7|0.25|F||deleted",
                                    "O'Brien|0|1234567.89||19991231|live"}));

        QVERIFY(t.setValues(0, {{"NAME", "Ёлка"}}) && t.save());
        const QByteArray written = bytesOf(path);
        const int nameAt = (uchar(original[8]) | uchar(original[9]) << 8) + 1;
        // Only the date of the change (bytes 1-3) and the name set differ.
        QCOMPARE(written.left(1) + written.mid(4, nameAt - 4) + written.mid(nameAt + 20),
                 original.left(1) + original.mid(4, nameAt - 4) + original.mid(nameAt + 20));
        QCOMPARE(written.mid(nameAt, 20), QByteArray("\xf0\xab\xaa\xa0") + QByteArray(16, ' '));
    }

    // A value is stored as these bytes in its column, or, when none are
    // given, refused with the column named and the table left as it was.
    void storesValuesByTheByteRules_data()
    {
        QByteArray every;
        for (int b = 1; b < 255; ++b)
            every.append(char(b));
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Latin-1 as its byte") << "T" << QVariant("é\u00a0ÿ") << QByteArray("\xe9\xa0\xff");
        QTest::newRow("Windows-1252 signs") << "T" << QVariant("€„—™Ÿ") << QByteArray("\x80\x84\x97\x99\x9f");
        QTest::newRow("codes 1252 leaves undefined") << "T" << QVariant("\u0081\u008d\u008f\u0090\u009d") << QByteArray("\x81\x8d\x8f\x90\x9d");
        QTest::newRow("Cyrillic as CP866") << "T" << QVariant(kLetters) << QTextCodec::codecForName("IBM 866")->fromUnicode(kLetters);
        QTest::newRow("apostrophes and leading blanks kept") << "T" << QVariant("  O'Brien") << QByteArray("  O'Brien");
        QTest::newRow("every byte read is written back") << "T" << QVariant(dbftext::decode(every)) << every;
        QTest::newRow("number right-aligned") << "PRICE" << QVariant(-7.5) << QByteArray("   -7.50");
        QTest::newRow("character without a byte") << "T" << QVariant("日本") << QByteArray();
        QTest::newRow("text too long") << "T" << QVariant(QString(255, 'x')) << QByteArray();
        QTest::newRow("number too wide") << "QTY" << QVariant(123456) << QByteArray();
        QTest::newRow("not a number") << "PRICE" << QVariant("12,5x") << QByteArray();
        QTest::newRow("unknown column") << "NOPE" << QVariant("x") << QByteArray();
        QTest::newRow("date in another writer's six-byte column") << "ODD" << QVariant(QDate(2024, 1, 2)) << QByteArray();
    }

    void storesValuesByTheByteRules()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, bytes);
        DbfTable t;
        QVERIFY(t.create({{"QTY", 'N', 5}, {"PRICE", 'N', 8, 2}, {"DAY", 'D', 8}, {"ODD", 'C', 6}, {"T", 'C', 254}}));
        QVERIFY(t.appendRow({{"T", "keep"}, {"QTY", 7}, {"DAY", "20240707"}}));
        QByteArray before = t.toBytes();
        before[32 + 3 * 32 + 11] = 'D';
        QVERIFY(t.parse(before));
        QCOMPARE(t.setValues(0, {{"T", "changed"}, {column, value}}), !bytes.isNull());
        if (bytes.isNull()) {
            QVERIFY(t.errorString().contains(column, Qt::CaseInsensitive) && !t.appendRow({{column, value}}));
            QCOMPARE(t.toBytes(), before);
        } else if (column == "T") {
            QCOMPARE(t.toBytes().mid(32 + 5 * 32 + 1 + 1 + 5 + 8 + 8 + 6, 254), bytes + QByteArray(254 - bytes.size(), ' '));
            QCOMPARE(t.record(0).value("T").toString(), dbftext::decode(bytes));
        } else {
            QCOMPARE(t.toBytes().mid(32 + 5 * 32 + 1 + 1 + 5, 8), bytes);
        }
    }

    // CP866 bytes as the table layer reads them become letters; letters
    // become their Windows-1251 bytes read as Latin-1; all else passes.
    void recodesTheCyrillicTables()
    {
        const QString dos = dbftext::decode(QTextCodec::codecForName("IBM 866")->fromUnicode(kLetters));
        const QString win = QString::fromLatin1(QTextCodec::codecForName("Windows-1251")->fromUnicode(kLetters));
        QCOMPARE(decodeDosText(dos + kLetters + " NB αβ"), kLetters + kLetters + " NB αβ");
        QCOMPARE(encodeWinText(kLetters + dos + " NB αβ"), win + dos + " NB αβ");
    }

    // The kept fuzz corpus: damaged headers are refused with a reason naming
    // the file; a sound file loads, and every cut short of its records is refused.
    void corpusFile_data()
    {
        QTest::addColumn<QString>("file");
        const QDir corpus(qEnvironmentVariable("ZV_SOURCE_DIR") + "/tests/install/fuzz_corpus");
        for (const QString& f : corpus.entryList({"*.dbf"}, QDir::Files))
            QTest::newRow(qPrintable(f)) << corpus.filePath(f);
    }

    void corpusFile()
    {
        QFETCH(QString, file);
        DbfTable t;
        const bool good = QFileInfo(file).fileName().startsWith("good_");
        QCOMPARE(t.load(file), good);
        QCOMPARE(t.errorString().contains(QFileInfo(file).fileName()), !good);
        QCOMPARE(t.rowCount() > 0, good);
        const QByteArray whole = bytesOf(file);
        for (int size = 0; good && size < whole.size(); ++size)
            QCOMPARE(DbfTable().parse(whole.left(size)), size >= whole.size() - 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(DbfTest)
#include "tst_dbf.moc"
