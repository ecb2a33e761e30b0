#include "install/dbftable.h"

#include "tests/support/devserviceprocess.h"

#include <QtTest>

// The kept corpus of damaged headers: each must be refused with a reason,
// the sound files must load, and no damage to a sound file may crash the
// reader or make it read past the data.
class DbfCorpusTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        m_corpus = QDir(qEnvironmentVariable("ZV_SOURCE_DIR") + "/tests/install/fuzz_corpus");
        QVERIFY(m_corpus.exists());
    }

    void corpusFile_data()
    {
        QTest::addColumn<QString>("file");
        const QStringList files = m_corpus.entryList({"*.dbf"}, QDir::Files);
        QVERIFY(files.size() >= 10);
        for (const QString& f : files)
            QTest::newRow(qPrintable(f)) << m_corpus.filePath(f);
    }

    void corpusFile()
    {
        QFETCH(QString, file);
        zv::DbfTable table;
        const bool loaded = table.load(file);
        if (QFileInfo(file).fileName().startsWith("good_")) {
            QVERIFY2(loaded, qPrintable(table.errorString()));
            QVERIFY(table.rowCount() > 0);
        } else {
            QVERIFY(!loaded);
            QVERIFY(table.errorString().contains(QFileInfo(file).fileName()));
            QCOMPARE(table.rowCount(), 0);
        }
    }

    void everyTruncationIsRefusedOrReadInFull()
    {
        QFile f(m_corpus.filePath("good_python_dbf.dbf"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll();
        zv::DbfTable full;
        QVERIFY(full.parse(whole));
        const int dataEnd = whole.size() - 1; // the end-of-file mark is optional
        for (int size = 0; size < whole.size(); ++size) {
            zv::DbfTable table;
            const bool parsed = table.parse(whole.left(size));
            QCOMPARE(parsed, size >= dataEnd);
        }
    }

    void everyHeaderByteDamagedStillAnswers()
    {
        QFile f(m_corpus.filePath("good_python_dbf.dbf"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll();
        const int headerLength = uchar(whole[8]) | uchar(whole[9]) << 8;
        int refused = 0;
        for (int at = 0; at < headerLength; ++at) {
            for (const char value : {char(0x00), char(0x0D), char(0x7F), char(0xFF)}) {
                QByteArray damaged = whole;
                damaged[at] = value;
                zv::DbfTable table;
                if (!table.parse(damaged)) {
                    QVERIFY(!table.errorString().isEmpty());
                    ++refused;
                    continue;
                }
                // What parses reads every row without running out of the data,
                // and what it then writes keeps every record in its place.
                for (int row = 0; row < table.rowCount(); ++row)
                    QCOMPARE(table.record(row).count(), table.fields().size());
                for (const zv::DbfField& field : table.fields()) {
                    for (const QVariant& value : {QVariant("1"), QVariant("T"), QVariant(QDate(2024, 1, 2))})
                        table.setValues(0, {{field.name, value}});
                }
                QVERIFY(table.appendRow({}));
                zv::DbfTable written;
                QVERIFY2(written.parse(table.toBytes()), qPrintable(written.errorString()));
                QCOMPARE(written.rowCount(), table.rowCount());
            }
        }
        QVERIFY(refused > 0);
    }

private:
    QDir m_corpus;
};

QTEST_GUILESS_MAIN(DbfCorpusTest)
#include "tst_dbfcorpus.moc"
