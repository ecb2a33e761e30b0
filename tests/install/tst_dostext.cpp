#include "install/dbftable.h"
#include "install/dostext.h"

#include "tests/support/devserviceprocess.h"

#include <QTextCodec>
#include <QtTest>

using zv::decodeDosText;
using zv::encodeWinText;

namespace {

// The 67 letters and sign both tables are made of.
QString tableLetters()
{
    QString s = QString::fromUtf8("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя№");
    return s;
}

// The character a byte of a dBASE text field is read as.
QChar byteCharacter(uchar byte)
{
    static const QSet<uchar> undefined{0x81, 0x8D, 0x8F, 0x90, 0x9D};
    if (undefined.contains(byte))
        return QChar(ushort(byte));
    return QTextCodec::codecForName("Windows-1252")->toUnicode(QByteArray(1, char(byte))).at(0);
}

} // namespace

class DosTextTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { zv::test::enableTestMode(); }

    void examples_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("decoded");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("CP866 0xA0 0xE0 decode to а р")
            << QString("\u00a0\u00e0") << QString("ар") << QString("\u00a0\u00e0");
        QTest::newRow("Ё and ж encode to U+00A8 U+00E6")
            << QString("Ёж") << QString("Ёж") << QString("\u00a8\u00e6");
        QTest::newRow("ASCII passes") << QString("NB 2024 (ver. 1)") << QString("NB 2024 (ver. 1)")
                                      << QString("NB 2024 (ver. 1)");
        QTest::newRow("other scripts pass") << QString("αβ中") << QString("αβ中") << QString("αβ中");
        QTest::newRow("undefined 1252 codes decode") << QString("\u0081\u008d\u008f\u0090\u009d")
                                                     << QString("БНПРЭ")
                                                     << QString("\u0081\u008d\u008f\u0090\u009d");
        QTest::newRow("sign") << QString("№") << QString("№") << QString("\u00b9");
        QTest::newRow("empty") << QString() << QString() << QString();
    }

    void examples()
    {
        QFETCH(QString, input);
        QFETCH(QString, decoded);
        QFETCH(QString, encoded);
        QCOMPARE(decodeDosText(input), decoded);
        QCOMPARE(encodeWinText(input), encoded);
    }

    void decodeCoversTheCp866Table()
    {
        QTextCodec* cp866 = QTextCodec::codecForName("IBM 866");
        QVERIFY(cp866);
        const QString letters = tableLetters();
        QCOMPARE(letters.size(), 67);
        for (const QChar letter : letters) {
            const QByteArray dosByte = cp866->fromUnicode(QString(letter));
            QCOMPARE(dosByte.size(), 1);
            const QChar read = byteCharacter(uchar(dosByte.at(0)));
            QCOMPARE(decodeDosText(QString(read)), QString(letter));
        }
        // Bytes outside the table (box drawing, Latin) are left as read.
        for (const uchar b : {uchar(0xB0), uchar(0xDB), uchar(0xF2), uchar(0xFF), uchar('A')}) {
            const QString one(byteCharacter(b));
            QCOMPARE(decodeDosText(one), one);
        }
    }

    void encodeCoversTheWindows1251Table()
    {
        QTextCodec* cp1251 = QTextCodec::codecForName("Windows-1251");
        QVERIFY(cp1251);
        const QString letters = tableLetters();
        const QString encoded = encodeWinText(letters);
        QCOMPARE(encoded.size(), 67);
        QCOMPARE(encoded.toLatin1(), cp1251->fromUnicode(letters));
        // A Windows-1251 text read byte for byte as Latin-1 is what encode gives.
        QCOMPARE(QString::fromLatin1(cp1251->fromUnicode(letters)), encoded);
    }

    void nbIniNameLandsInATableAsItsOwnBytes()
    {
        // Qt 5 reads an ini file byte for byte as Latin-1; the name passes
        // both recodings and the table layer writes it back as the same bytes.
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        const QString name = decodeDosText(encodeWinText(QString::fromLatin1(all)));
        zv::DbfField f;
        f.name = "NAIM";
        f.length = 254;
        for (const QByteArray& part : {all.left(127), all.mid(127)}) {
            const QString text = decodeDosText(encodeWinText(QString::fromLatin1(part)));
            zv::DbfTable table;
            QVERIFY(table.create({f}));
            QVERIFY2(table.appendRow({{"NAIM", text}}), qPrintable(table.errorString()));
            QCOMPARE(table.toBytes().mid(32 + 32 + 1 + 1, part.size()), part);
        }
        QVERIFY(name.contains(QString::fromUtf8("р")));
    }
};

QTEST_GUILESS_MAIN(DosTextTest)
#include "tst_dostext.moc"
