#include "install/dbfsource.h"
#include "install/dbftable.h"
#include "install/dostext.h"

#include "tests/support/devserviceprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using zv::DbfField;
using zv::DbfTable;

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

// Debian's Python dBASE modules as the independent reader and writer.
QByteArray runPython(const QString& scriptFile, const QStringList& args, bool* ok)
{
    QProcess python;
    python.start("/usr/bin/python3", QStringList{scriptFile} + args);
    *ok = python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit
       && python.exitCode() == 0;
    if (!*ok)
        qWarning("python: %s", python.readAllStandardError().constData());
    return python.readAllStandardOutput();
}

QString script(const char* name)
{
    return qEnvironmentVariable("ZV_SOURCE_DIR") + "/tests/install/" + name;
}

} // namespace

class DbfInteropTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFile::exists("/usr/bin/python3"), "python3 with python3-dbf and python3-dbfread is needed");
    }

    void readsWhatAnotherWriterWrote()
    {
        const QString path = m_dir.filePath("written_by_dbf.dbf");
        bool ok = false;
        runPython(script("tst_dbfinterop_write.py"), {path}, &ok);
        QVERIFY(ok);

        DbfTable table;
        QVERIFY2(table.load(path), qPrintable(table.errorString()));
        QCOMPARE(table.rowCount(), 3);
        const zv::DbfRecord first = table.record(0);
        QCOMPARE(zv::decodeDosText(first.value("NAME").toString()), QString("Лев №5 ёж"));
        QCOMPARE(first.value("QTY"), QVariant(qlonglong(42)));
        QCOMPARE(first.value("PRICE").toDouble(), 12.5);
        QCOMPARE(first.value("OK"), QVariant(true));
        QCOMPARE(first.value("DAY").toDate(), QDate(2024, 3, 15));
        QVERIFY(table.isDeleted(1));
        // python3-dbf drops leading blanks itself; the hand-built files test them.
        QCOMPARE(table.record(1).value("NAME").toString(), QString("leading"));
        QCOMPARE(table.record(1).value("QTY"), QVariant(qlonglong(-7)));
        QVERIFY(table.record(1).value("DAY").isNull());
        QCOMPARE(table.record(2).value("NAME").toString(), QString("O'Brien"));
        QCOMPARE(table.record(2).value("PRICE").toDouble(), 1234567.89);
        QVERIFY(table.record(2).value("OK").isNull());

        zv::DbfDataSource hidden(m_dir.path(), zv::DeletedRows::Hidden);
        QVERIFY(hidden.open());
        QCOMPARE(hidden.readAll("WRITTEN_BY_DBF")->size(), 2);

        // A change through the layer keeps the other writer's file readable by it.
        QVERIFY(table.setValues(0, {{"NAME", QString("Ёлка")}}));
        QVERIFY(table.save());
        const QJsonArray rows = readWithDbfread(path);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].toObject()["NAME"].toString(), QString("Ёлка"));
        QCOMPARE(rows[1].toObject()["NAME"].toString(), QString("O'Brien"));
    }

    void anotherReaderReadsWhatWeWrote()
    {
        DbfTable table;
        QVERIFY(table.create({field("NAIM", 'C', 40), field("NUM", 'N', 6), field("PRICE", 'N', 12, 3),
                              field("RATE", 'F', 10, 2), field("OK", 'L', 1), field("DAY", 'D', 8)}));
        QVERIFY(table.appendRow({{"NAIM", zv::decodeDosText(QString::fromLatin1("\x8f\xe0\xa8\xac\xa5\xe0"))},
                                 {"NUM", 9100}, {"PRICE", -0.5}, {"RATE", 3.25}, {"OK", true},
                                 {"DAY", QDate(2024, 2, 29)}}));
        QVERIFY(table.appendRow({{"NAIM", QString("  Д'Артаньян №1")}, {"NUM", 0}, {"OK", false}}));
        QVERIFY(table.appendRow({{"NAIM", QString("gone")}, {"NUM", 3}}));
        QVERIFY(table.setDeleted(2, true));
        const QString path = m_dir.filePath("ours.dbf");
        QVERIFY(table.save(path));

        const QJsonArray rows = readWithDbfread(path);
        QCOMPARE(rows.size(), 3);
        const QJsonObject first = rows[0].toObject();
        QCOMPARE(first["NAIM"].toString(), QString("Пример"));
        QCOMPARE(first["NUM"].toInt(), 9100);
        QCOMPARE(first["PRICE"].toDouble(), -0.5);
        QCOMPARE(first["RATE"].toDouble(), 3.25);
        QCOMPARE(first["OK"].toBool(), true);
        QCOMPARE(first["DAY"].toString(), QString("2024-02-29"));
        QCOMPARE(first["_deleted"].toBool(), false);
        const QJsonObject second = rows[1].toObject();
        QCOMPARE(second["NAIM"].toString(), QString("  Д'Артаньян №1"));
        QVERIFY(second["PRICE"].isNull());
        QVERIFY(second["DAY"].isNull());
        QCOMPARE(second["OK"].toBool(true), false);
        QCOMPARE(rows[2].toObject()["NAIM"].toString(), QString("gone"));
        QCOMPARE(rows[2].toObject()["_deleted"].toBool(), true);
    }

private:
    QJsonArray readWithDbfread(const QString& path)
    {
        bool ok = false;
        const QByteArray out = runPython(script("tst_dbfinterop_read.py"), {path}, &ok);
        if (!ok)
            return {};
        return QJsonDocument::fromJson(out).array();
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(DbfInteropTest)
#include "tst_dbfinterop.moc"
