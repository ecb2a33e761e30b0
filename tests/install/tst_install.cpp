#include "catalogue/installedendings.h"
#include "install/dbfsource.h"
#include "install/dbftext.h"
#include "install/dostext.h"
#include "install/endingsmerge.h"
#include "install/installedstate.h"
#include "install/installer.h"
#include "install/installtransaction.h"
#include "install/processcheck.h"
#include "install/versions.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"

#include "tests/support/archivebuilder.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/testfiles.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextCodec>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace zv;
using test::fileBytes;

namespace {

const QDateTime kChange(QDate(2024, 10, 15), QTime(12, 0));
const QString P = "IND/Государственные/Минстрой (РИМ) Зелвинора/";
const QStringList kOld = QString("o,o,o,o,o,o,o,o,o,o,o,o").split(',');
const QStringList kNew = QString("N,4,1,M,G,B,R,L,K,C,3,S").split(',');

VAR endings(const QString& type, int number, int nn, const QString& name, const QStringList& c = kOld)
{
    VAR v{number, nn, type, name, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11]};
    v.lastChange = kChange;
    return v;
}

// The text columns of a record in the order VAR holds them.
QString columnsOf(const VAR& v)
{
    return QStringList{v.daNet, v.baze_4, v.baze_1, v.baze_M, v.baze_G, v.B_421_MDS, v.RAZDEL, v.LIMZTRFILE,
                       v.KONZ_ID, v.CENA_METOD, v.C4NOT_INC3, v.SUBVER_421}.join(',');
}

// Every file and folder below root, with the files' bytes; those below `without` left out.
QMap<QString, QByteArray> snapshot(const QString& root, const QString& without = QString())
{
    auto files = test::filesBelow(root, QDir::Dirs);
    for (const QString& path : files.keys())
        if (!without.isEmpty() && path.startsWith(without)) files.remove(path);
    return files;
}

// A shell script standing in for a program.
bool writeScript(const QString& path, const QByteArray& body)
{
    return test::writeFile(path, body) && QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Runs work with files limited to limit bytes (0: no limit), as on a full disk.
template <typename Work>
bool withFileSizeLimit(rlim_t limit, Work work)
{
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limited{limit ? limit : saved.rlim_cur, saved.rlim_max};
    const bool done = setrlimit(RLIMIT_FSIZE, &limited) == 0 && work();
    setrlimit(RLIMIT_FSIZE, &saved);
    return done;
}

// A child that installs with its journal limited to a few lines and dies
// of SIGXFSZ when the next line is written: after some files were moved
// in and before the others.
int installUntilTheCrash()
{
    const QStringList job = qEnvironmentVariable("ZV_CRASHING_INSTALL").split('\n');
    signal(SIGXFSZ, SIG_DFL);
    const rlimit limited{40, 40};
    setrlimit(RLIMIT_FSIZE, &limited);
    Installer(job.value(0), QString()).installFile(job.value(1), "rikInd");
    return 0;
}

// Zips that 7-Zip would not build: a hostile entry (climbing out, a symbolic link, a
// journal line to plant) beside a file "sm_r" that cannot be placed over its folder.
const char* const kHostileZip = "import sys, zipfile\n"
                                "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
                                "z.writestr('IND/ind_2401.dbf', 'new index')\n"
                                "z.writestr('sm_r', 'in the way')\n"
                                "i = zipfile.ZipInfo(sys.argv[2])\n"
                                "i.create_system = 3\n"
                                "link = sys.argv[2] == 'IND/passwd'\n"
                                "i.external_attr = (0o120777 if link else 0o100644) << 16\n"
                                "z.writestr(i, '/etc/passwd' if link else 'remove ../victim.txt\\n')\n";

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

// bytes: what the value is stored as in its column; none when it must be refused.
struct Stored { QString column; QVariant value; QByteArray bytes; };

struct Versions { VersionMap installed, current; bool isNew; };

struct IndexSet { QString nb, dir; int year, kv; QString file; };

// merged: NUM in table order after the merge, empty when it must be refused
// and the table stay untouched; columns: the offered record's text columns
// once merged.
struct Merge { QString type; QVector<int> numbers, nn; int offered; QString name; QVector<int> merged; QString columns; };

// One archive in the cache holding one file; landed is where that file must
// end up (below the test folder), empty when the install must fail.
struct Kind { QString itemClass, url, entry; QByteArray content; bool damaged; QString landed, logged; };

struct Fault { QString fault, itemClass, archive, reason; };

// What a 7-Zip that unpacks so makes of the install; progress: the row's bar, when it matters.
struct UnpackRun { QByteArray unpacking; bool installed; QString logged; QList<int> progress; };

} // namespace

Q_DECLARE_METATYPE(Stored)
Q_DECLARE_METATYPE(Versions)
Q_DECLARE_METATYPE(IndexSet)
Q_DECLARE_METATYPE(Merge)
Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(UnpackRun)

// The dBASE layer byte for byte, against python3-dbf and python3-dbfread; what
// the catalogue learns from the WinRIK and Гранд-Смета folders, and what an
// install changes there: real dBASE tables, real archives, real 7-Zip.
class InstallTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setApplicationVersion("2.1.240408");
        QVERIFY(QDir().mkpath(downloadCacheFolder()));
    }

    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_rik.reset(new test::WinRikFolderBuilder(m_dir->filePath("Win RIK")));
        QVERIFY(QDir().mkpath(m_dir->filePath("Гранд-Смета")));
        m_installer.reset(new Installer(m_rik->root(), m_dir->filePath("Гранд-Смета")));
        // The older offer cannot be merged (its name is too long): only the newest may be taken.
        m_installer->setOfferedEndings({endings("res", 42, 0, QString(255, 'x')), endings("res", 42, 0, "Новая"),
                                        endings("loc", 42, 0, "Чужая")});
    }

    void anotherReaderReadsWhatWeWrote()
    {
        DbfTable t;
        QVERIFY(t.create({{"NAIM", 'C', 40}, {"NUM", 'N', 6}, {"PRICE", 'N', 12, 3}, {"RATE", 'F', 10, 2},
                          {"OK", 'L', 1}, {"DAY", 'D', 8}}));
        QVERIFY(t.appendRow({{"NAIM", "Пример Ёё №1"}, {"NUM", 9100}, {"PRICE", -0.5}, {"RATE", 3.25},
                             {"OK", true}, {"DAY", QDate(2024, 2, 29)}}));
        QVERIFY(t.appendRow({{"NAIM", "  Д'Артаньян"}, {"NUM", 0}, {"OK", false}}));
        QVERIFY(t.appendRow({{"NAIM", "gone"}}) && t.setDeleted(2, true) && t.save(m_dir->filePath("ours.dbf")));
        const QJsonObject read = python("tst_dbf_read.py", m_dir->filePath("ours.dbf"));
        QCOMPARE(QString(QJsonDocument(read["rows"].toArray()).toJson(QJsonDocument::Compact)), kOurRows);
        const QByteArray bytes = fileBytes(m_dir->filePath("ours.dbf"));
        const int headerLength = read["headerlen"].toInt();
        QCOMPARE(headerLength, 32 + 6 * 32 + 1);
        QCOMPARE(read["recordlen"].toInt(), 1 + 40 + 6 + 12 + 10 + 1 + 8);
        QCOMPARE(read["date"].toString(), QDate::currentDate().toString(Qt::ISODate));
        // The version byte, the header's end and the file's end marker.
        QCOMPARE(bytes.left(1) + bytes.mid(headerLength - 1, 1) + bytes.right(1), QByteArray("\x03\x0D\x1A"));
        QCOMPARE(bytes.size(), headerLength + 3 * read["recordlen"].toInt() + 1);
    }

    void readsAndChangesWhatAnotherWriterWrote()
    {
        const QString path = m_dir->filePath("theirs.dbf");
        python("tst_dbf_write.py", path);
        const QByteArray original = fileBytes(path);
        DbfTable t;
        QVERIFY2(t.load(path), qPrintable(t.errorString()));
        QStringList rows;
        for (const DbfRecord& r : t.records(true))
            rows << QStringList{decodeDosText(r.text("NAME")), r.text("QTY"), r.text("PRICE"), r.text("OK"),
                                r.text("DAY"), r.isDeleted() ? "deleted" : "live"}.join('|');
        QCOMPARE(rows, QStringList({"Лев №5 ёж|42|12.5|T|20240315|live", "leading|-7|0.25|F||deleted",
                                    "O'Brien|0|1234567.89||19991231|live"}));

        QVERIFY(t.setValues(0, {{"NAME", "Ёлка"}}) && t.save());
        const QByteArray written = fileBytes(path);
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
        QTest::addColumn<Stored>("s");
        QTest::newRow("Latin-1 as its byte") << Stored{"T", "é\u00a0ÿ", "\xe9\xa0\xff"};
        QTest::newRow("Windows-1252 signs") << Stored{"T", "€„—™Ÿ", "\x80\x84\x97\x99\x9f"};
        QTest::newRow("codes 1252 leaves undefined") << Stored{"T", "\u0081\u008d\u008f\u0090\u009d", "\x81\x8d\x8f\x90\x9d"};
        QTest::newRow("Cyrillic as CP866") << Stored{"T", kLetters, QTextCodec::codecForName("IBM 866")->fromUnicode(kLetters)};
        QTest::newRow("apostrophes and leading blanks kept") << Stored{"T", "  O'Brien", "  O'Brien"};
        QTest::newRow("every byte read is written back") << Stored{"T", dbftext::decode(every), every};
        QTest::newRow("number right-aligned") << Stored{"PRICE", -7.5, "   -7.50"};
        QTest::newRow("character without a byte") << Stored{"T", "日本", {}};
        QTest::newRow("text too long") << Stored{"T", QString(255, 'x'), {}};
        QTest::newRow("number too wide") << Stored{"QTY", 123456, {}};
        QTest::newRow("more decimals than the column") << Stored{"PRICE", 3.14159, {}};
        QTest::newRow("not a number") << Stored{"PRICE", "12,5x", {}};
        QTest::newRow("unknown column") << Stored{"NOPE", "x", {}};
        QTest::newRow("date in another writer's six-byte column") << Stored{"ODD", QDate(2024, 1, 2), {}};
    }

    void storesValuesByTheByteRules()
    {
        QFETCH(Stored, s);
        DbfTable t;
        QVERIFY(t.create({{"QTY", 'N', 5}, {"PRICE", 'N', 8, 2}, {"DAY", 'D', 8}, {"ODD", 'C', 6}, {"T", 'C', 254}}));
        QVERIFY(t.appendRow({{"T", "keep"}, {"QTY", 7}, {"DAY", "20240707"}}));
        QByteArray before = t.toBytes();
        before[32 + 3 * 32 + 11] = 'D';
        QVERIFY(t.parse(before));
        QCOMPARE(t.setValues(0, {{"T", "changed"}, {s.column, s.value}}), !s.bytes.isNull());
        if (s.bytes.isNull()) {
            QVERIFY(t.errorString().contains(s.column, Qt::CaseInsensitive) && !t.appendRow({{s.column, s.value}}));
            QCOMPARE(t.toBytes(), before);
        } else if (s.column == "T") {
            QCOMPARE(t.toBytes().mid(32 + 5 * 32 + 1 + 1 + 5 + 8 + 8 + 6, 254), s.bytes + QByteArray(254 - s.bytes.size(), ' '));
            QCOMPARE(t.record(0).value("T").toString(), dbftext::decode(s.bytes));
        } else {
            QCOMPARE(t.toBytes().mid(32 + 5 * 32 + 1 + 1 + 5, 8), s.bytes);
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
        const QByteArray whole = fileBytes(file);
        for (int size = 0; good && size < whole.size(); ++size)
            QCOMPARE(DbfTable().parse(whole.left(size)), size >= whole.size() - 1);
    }

    // An index set is new while its file is missing or older than the
    // change; Гранд-Смета's is a folder, dir + year + "_" + quarter.
    void indexSet_data()
    {
        QTest::addColumn<IndexSet>("i");
        QTest::newRow("0dfo") << IndexSet{"0dfo", "", 24, 1, P + "Дальневосточный федеральный округ/Приморский край/ind_2403.dbf"};
        QTest::newRow("0CFO") << IndexSet{"0CFO", "", 2024, 4, P + "Центральный федеральный округ/Курская область/ind_202412.dbf"};
        QTest::newRow("0pfo") << IndexSet{"0pfo", "", 23, 2, P + "Приволжский федеральный округ/Оренбургская область/ind_2306.dbf"};
        QTest::newRow("0sfo") << IndexSet{"0sfo", "", 23, 3, P + "Сибирский федеральный округ/Новосибирская область/ind_2309.dbf"};
        QTest::newRow("0ufo") << IndexSet{"0ufo", "", 24, 2, P + "Уральский федеральный округ/Челябинская область/ind_2406.dbf"};
        QTest::newRow("skfo") << IndexSet{"skfo", "", 24, 3, P + "Северо-Кавказский федеральный округ/Ставропольский край/ind_2409.dbf"};
        QTest::newRow("szfo") << IndexSet{"szfo", "", 24, 4, P + "Северо-Западный федеральный округ/Архангельская область/ind_2412.dbf"};
        QTest::newRow("yufo") << IndexSet{"yufo", "", 24, 1, P + "Южный федеральный округ/Ростовская область/ind_2403.dbf"};
        QTest::newRow("ind0 ignores dir") << IndexSet{"ind0", "Base/", 24, 2, "IND/Государственные/Минстрой/ФЕР/ind_2406.dbf"};
        QTest::newRow("smr0") << IndexSet{"smr0", "", 5, 4, "SM_R/ZEN_R/Цены в шифрах 2001-2017 г/zen_2005-4 юг Амурская область.dbf"};
        QTest::newRow("other key: dir, first month") << IndexSet{"ABCD", "Регион/", 24, 3, "Регион/IND/ind_2407.dbf"};
        QTest::newRow("other key, no dir") << IndexSet{"0dfo ", "", 24, 4, "IND/ind_2410.dbf"};
    }

    void indexSet()
    {
        QFETCH(IndexSet, i);
        QVERIFY(isNewIndexSet(m_rik->root(), "", i.nb, i.dir, i.year, i.kv, kChange));
        QVERIFY(m_rik->writeFile(i.file, "index", kChange));
        QVERIFY(!isNewIndexSet(m_rik->root(), "", i.nb, i.dir, i.year, i.kv, kChange));
        QVERIFY(m_rik->setModified(i.file, kChange.addSecs(-1)));
        QVERIFY(isNewIndexSet(m_rik->root(), "", i.nb, i.dir, i.year, i.kv, kChange));
        QVERIFY(isNewIndexSet("", m_rik->root(), i.nb, "Индексы/", i.year, i.kv, {}, DataTypes::Grand));
        QVERIFY(QDir().mkpath(m_rik->path(QString("Индексы/%1_%2").arg(i.year).arg(i.kv))));
        QVERIFY(!isNewIndexSet("", m_rik->root(), i.nb, "Индексы/", i.year, i.kv, {}, DataTypes::Grand));
    }

    // An endings record is new without its row, without its own file, or
    // when that file is older than the change; rows marked deleted count.
    // Each answer from a folder read afresh, as a catalogue build reads it.
    void endingsRecord()
    {
        const VAR offered = endings("res", 42, 0, "x");
        const auto isNew = [&](const VAR& var) { return InstalledEndings(m_rik->root()).isNew(var); };
        test::LogCapture log;
        QVERIFY(!isNew(offered));
        QVERIFY(log.contains("Error", winrik::endingsFolder(m_rik->root())));
        QVERIFY(m_rik->writeEndingsTable("res", {endings("", 7, 1, "a"), endings("", 42, 2, "b")}, {1}));
        QVERIFY(isNew(offered));
        QVERIFY(m_rik->writeEndingsRecordFile("res", 42, kChange));
        QVERIFY(!isNew(offered));
        QVERIFY(isNew(endings("loc", 42, 0, "x")));
        QVERIFY(m_rik->setModified("sm_r/var/res_42.dbf", kChange.addSecs(-1)));
        QVERIFY(isNew(offered));
        QVERIFY(m_rik->writeEndingsTable("res", {endings("", 7, 1, "a")}) && m_rik->setModified("sm_r/var/res_42.dbf", kChange));
        QVERIFY(isNew(offered));
    }

    // The installed bases with their versions and НР и СП dates, and the WinRIK version.
    void installedBasesAndVersion()
    {
        test::LogCapture log;
        InstalledBaseList list = installedBaseList(m_rik->root());
        // What the user is told of it, the catalogue's test reads from the box.
        QVERIFY(list.accessFailed && list.bases.isEmpty());
        QVERIFY(QDir().mkpath(m_rik->path("sm_r")));
        list = installedBaseList(m_rik->root());
        QVERIFY(!list.accessFailed && list.bases.isEmpty() && log.contains("Error", "getInstalledBazeList: "));

        const QString a = QString(m_rik->path("NB/A/")).replace('/', '\\');
        const QString b = QString(m_rik->path("NB/B/")).replace('/', '\\');
        // A version is the first "Number=" line of the "[Version]" group, as a number.
        QVERIFY(m_rik->writeFile("NB/A/nb.ini", "[Base]\nNumber=9\n  [Version]  \nName=x\nNumber=3.5\nNumber=4\n"));
        QVERIFY(m_rik->writeFile("NB/B/nb.ini", "[Version]\r\nNumber = 1.25\r\n"));
        QVERIFY(m_rik->writeDealerIni("NB/A", "2024-03-15 10:30"));

        QVERIFY(m_rik->writeInstal({{"first", "AbCd", b}, {"Местная", "aBcD", a}, {"ТЕР", "0043", b},
                                    {"other kind", "9999", a, "a"}, {"deleted", "0044", a, "b", "G", true}}));
        QStringList seen;
        for (const NORMBASE& base : installedBaseList(m_rik->root()).bases)
            seen << QStringList{base.baz, decodeDosText(base.naim), base.dir, QString::number(base.version),
                                base.nrspDate.toString("yyyy-MM-dd HH:mm")}.join('|');
        QCOMPARE(seen, QStringList({"0043|ТЕР|" + b + "|0|0001-01-01 00:00", "abcd|Местная|" + a + "|3.5|2024-03-15 10:30"}));
        QVERIFY(installedBaseList(m_rik->root(), DataTypes::Grand).bases.isEmpty());
        QCOMPARE(installedRikVersion(m_rik->root()), (VersionMap{{"Version", 0}, {"Year", 0}, {"Month", 0}, {"Day", 0}}));
        QVERIFY(m_rik->writeFile("UTILS/Doc/LastChange.rtf", "4.240315\r\n{\\rtf1 WinRIK 2.4.240315\\par\r\n3.1.231205\r\n"));
        QCOMPARE(installedRikVersion(m_rik->root()), (VersionMap{{"Version", 2.4f}, {"Year", 24}, {"Month", 3}, {"Day", 15}}));
    }

    void isNewVersion_data()
    {
        QTest::addColumn<Versions>("versions");
        auto v = [](float version, float year, float month, float day) {
            return VersionMap{{"Version", version}, {"Year", year}, {"Month", month}, {"Day", day}};
        };
        QTest::newRow("2.1 against 2.10: the dates decide") << Versions{v(2.1f, 24, 4, 8), v(2.10f, 24, 4, 9), true};
        QTest::newRow("2.1 against 2.2, whatever the dates") << Versions{v(2.1f, 25, 12, 31), v(2.2f, 20, 1, 1), true};
        QTest::newRow("higher installed") << Versions{v(2.2f, 20, 1, 1), v(2.1f, 25, 12, 31), false};
        QTest::newRow("year before month") << Versions{v(2.4f, 23, 12, 31), v(2.4f, 24, 1, 1), true};
        QTest::newRow("month before day") << Versions{v(2.4f, 24, 5, 1), v(2.4f, 24, 4, 30), false};
        QTest::newRow("later day") << Versions{v(2.4f, 24, 4, 8), v(2.4f, 24, 4, 9), true};
        QTest::newRow("below a hundredth, within a day") << Versions{v(2.401f, 24, 1, 1.2f), v(2.4f, 24, 1, 1.9f), false};
        QTest::newRow("empty installed") << Versions{VersionMap(), v(0.1f, 0, 0, 0), true};
        QTest::newRow("own version, same") << Versions{ownVersion(), v(2.1f, 24, 4, 8), false};
        QTest::newRow("own version, a day older") << Versions{ownVersion(), v(2.1f, 24, 4, 9), true};
    }

    void isNewVersion()
    {
        QFETCH(Versions, versions);
        QCOMPARE(zv::isNewVersion(versions.installed, versions.current), versions.isNew);
    }

    // Row 1 of each table is marked deleted; a record written over it alone comes back live.
    void mergeEndings_data()
    {
        QTest::addColumn<Merge>("m");
        const QString mine = "Д'Артаньян №1";
        QTest::newRow("overwrites every row with the number") << Merge{"res", {7, 5, 9, 7}, {}, 7, mine, {7, 5, 9, 7}, "N,4,1,M,G,B,R,L,K,C,3,S"};
        QTest::newRow("kc6 over a deleted row: its name and DA_NET, live") << Merge{"kc6", {10, 20}, {}, 20, mine, {10, 20}, "N,o,o,o,o,o,o,o,o,o,o,o"};
        QTest::newRow("between the bands") << Merge{"loc", {9600, 9050, 9200, 100}, {}, 9100, mine, {9600, 9050, 9100, 9200, 100}, "N,4,1,M,G,,R,,,,,"};
        QTest::newRow("above the bands") << Merge{"obe", {9700, 9800}, {}, 9600, mine, {9700, 9800, 9600}, "N,4,1,M,G,,R,,,,,"};
        QTest::newRow("kc6 in front") << Merge{"kc6", {10, 20}, {}, 5, mine, {5, 10, 20}, "N,,,,,,,,,,,"};
        QTest::newRow("other type, empty table") << Merge{"abc", {}, {}, 42, mine, {42}, ",,,,,,,,,,,"};
        QTest::newRow("kept row behind a moved one") << Merge{"res", {100, 9600}, {}, 200, mine, {}, ""};
        QTest::newRow("gap in NN") << Merge{"res", {100, 200}, {1, 3}, 50, mine, {}, ""};
        QTest::newRow("NN repeated") << Merge{"kc3", {100, 200}, {1, 1}, 50, mine, {}, ""};
        QTest::newRow("NN descending") << Merge{"res", {100, 200}, {2, 1}, 50, mine, {}, ""};
        QTest::newRow("deleted row beside a live one with the number") << Merge{"res", {7, 7}, {}, 7, mine, {7, 7}, "N,4,1,M,G,B,R,L,K,C,3,S"};
        QTest::newRow("name too long") << Merge{"res", {1, 2}, {}, 0, QString(255, 'x'), {}, ""};
        QTest::newRow("name too long, overwrite") << Merge{"res", {1, 2}, {}, 2, QString(255, 'x'), {}, ""};
        QTest::newRow("name without a byte") << Merge{"kc6", {1, 2}, {}, 3, "日本", {}, ""};
    }

    void mergeEndings()
    {
        QFETCH(Merge, m);
        QVector<VAR> rows;
        for (int i = 0; i < m.numbers.size(); ++i)
            rows << endings(m.type, m.numbers[i], m.nn.isEmpty() ? i + 1 : m.nn[i], "r" + QString::number(m.numbers[i]));
        QVERIFY(m_rik->writeEndingsTable(m.type, rows, {1}));
        const auto before = snapshot(m_rik->root());
        test::LogCapture log;
        QCOMPARE(zv::mergeEndings(m_rik->root(), endings(m.type, m.offered, 0, m.name, kNew)), !m.merged.isEmpty());
        QCOMPARE(log.contains("Error", "mergeEndings: " + m.type + "_all"), m.merged.isEmpty());
        QVERIFY(!m.merged.isEmpty() || snapshot(m_rik->root()) == before);
        DbfDataSource source = winrik::endingsSource(m_rik->root());
        const QVector<DbfRecord> records = source.open() ? *source.readAll(m.type + "_all") : QVector<DbfRecord>();
        QVector<int> seen;
        for (int i = 0; i < records.size() && !m.merged.isEmpty(); ++i) {
            const VAR r = readVar(records[i]);
            const QString number = QString::number(r.number);
            seen << r.number;
            QCOMPARE(r.nn, i + 1);
            // Row 1, marked deleted, is written only when no live row has the number.
            const bool deleted = m.numbers.size() > 1 && (m.merged == m.numbers ? i == 1 : r.number == m.numbers[1]);
            const bool written = r.number == m.offered && !(deleted && m.numbers.count(r.number) > 1);
            QCOMPARE(decodeDosText(r.name), written ? m.name : "r" + number);
            QCOMPARE(columnsOf(r), written ? m.columns : kOld.join(','));
            // Columns the client does not know and deletion marks stay with their record.
            QCOMPARE(records[i].text("ZZ_OTHER"), m.numbers.contains(r.number) ? "other " + number : "");
            QCOMPARE(records[i].isDeleted(), deleted && !written);
        }
        QCOMPARE(seen, m.merged);
    }

    void installsEachKind_data()
    {
        QTest::addColumn<Kind>("kind");
        const QByteArray badName = "[Version]\r\nNumber=1\r\nName=" + QByteArray(300, 'n') + "\r\n";
        QTest::newRow("rikVarRes, from the newest offer") << Kind{"rikVarRes", "update/var/res_0042.dbf.zip", "res_42.dbf", "r", false, "Win RIK/sm_r/var/res_42.dbf", ""};
        QTest::newRow("unknown class") << Kind{"rikind", "update/x/a.zip", "IND/a.dbf", "a", false, "", ""};
        QTest::newRow("no class") << Kind{"", "update/x/a.zip", "IND/a.dbf", "a", false, "", "no rule for the class"};
        QTest::newRow("rikNB registered with its own nb.ini, not a copy's") << Kind{"rikNB", "update/nb/base1234.zip", "NB/Base_1234/nb.ini", "[Version]\r\nName=New\r\n", false, "Win RIK/NB/Base_1234/nb.ini", ""};
        QTest::newRow("rikNB without its folder") << Kind{"rikNB", "update/nb/base9999.zip", "NB/Other/nb.ini", "[Version]", false, "", "9999"};
        QTest::newRow("rikNB, INSTAL not written") << Kind{"rikNB", "update/nb/base7777.zip", "NB/B_7777/nb.ini", badName, false, "", "Cannot write INSTALL.DBF. ("};
        QTest::newRow("rikNRSP, folder in another letter case") << Kind{"rikNRSP", "update/nrsp/nrsp_ABC.zip", "NB/Base_abc/nrspcmnt.dbf", "n", false, "Win RIK/NB/Base_abc/dealer.ini", ""};
        QTest::newRow("rikNB, folder in another letter case") << Kind{"rikNB", "update/nb/baseABCD.zip", "NB/base_abcd/nb.ini", "[Version]\r\nName=New\r\n", false, "Win RIK/NB/base_abcd/nb.ini", ""};
        QTest::newRow("rikNRSP without its base") << Kind{"rikNRSP", "update/nrsp/nrsp_qqq.zip", "NB/Base_qqq/nrspcmnt.dbf", "n", false, "", "_qqq"};
        QTest::newRow("rikVarLoc not offered") << Kind{"rikVarLoc", "update/var/loc_0007.dbf.zip", "loc_7.dbf", "r", false, "", "no offered endings record"};
        QTest::newRow("rikVarLoc, no table") << Kind{"rikVarLoc", "update/var/loc_0042.dbf.zip", "loc_42.dbf", "r", false, "", "Oshibka dobavlenia koncovki v  loc_all.dbf. ("};
        for (const char* itemClass : {"rikInd", "grandInd", "rik", "rikUser", "rikNB", "rikNRSP", "rikVarRes"})
            QTest::newRow(qPrintable(QString(itemClass) + ", damaged archive"))
                << Kind{itemClass, "update/bad/res_0042.dbf.zip", "NB/Base_abc/x.dbf", QByteArray(30000, 'a'), true, "", "exit code"};
    }

    void installsEachKind()
    {
        QFETCH(Kind, kind);
        QVERIFY(m_rik->writeInstal({}) && m_rik->writeNbIni("NB/Base_abc", "3", "Первая") && m_rik->writeEndingsTable("res", {})
                && m_rik->writeNbIni("Backup/Old_1234", "1", "Old copy"));
        test::ArchiveBuilder archive;
        archive.addFile(kind.entry, kind.content);
        const QString cached = cachePathOf(kind.url);
        QVERIFY(archive.write(cached) && (!kind.damaged || test::ArchiveBuilder::damage(cached)));
        test::LogCapture log;
        QCOMPARE(m_installer->installFile(cached, kind.itemClass), !kind.landed.isEmpty());
        QCOMPARE(QFileInfo::exists(cached), kind.landed.isEmpty());
        QVERIFY(kind.landed.isEmpty() || QFileInfo(m_dir->filePath(kind.landed)).isFile());
        QVERIFY(kind.itemClass != "rikNB" || kind.landed.isEmpty()
                || installedBaseList(m_rik->root()).bases.value(kind.url.right(8).left(4).toLower()).dir == m_dir->filePath(kind.landed).chopped(6).replace('/', '\\'));
        QVERIFY(kind.logged.isEmpty() || (log.contains("Error", kind.logged) && log.contains("Error", cached)));
        // Whatever failed, the user's sentence names what it is about.
        QVERIFY2(!m_installer->failureReason().trimmed().endsWith(':'), qPrintable(m_installer->failureReason()));
    }

    // 7-Zip's exit codes 0 and 1 are success; anything else, a crash or a
    // program that does not start fails and keeps the archive. No fixed time
    // limit: a run that keeps reporting progress goes on for longer than the
    // silence that stops one, and its percentage reaches the row's bar.
    void sevenZipEnds_data()
    {
        QTest::addColumn<UnpackRun>("e");
        QTest::newRow("1 warnings") << UnpackRun{"exit 1", true, "Extract completed: ", {}};
        QTest::newRow("255 stopped") << UnpackRun{"exit 255", false, "exit code 255", {}};
        QTest::newRow("crash") << UnpackRun{"kill -SEGV $$", false, "crashed", {}};
        QTest::newRow("not there") << UnpackRun{QByteArray(), false, "/7za.", {}};
        // Three times the silence limit in all, a report every quarter of it.
        QTest::newRow("reporting past the silence") << UnpackRun{"for p in 2 2 2 4 4 4 6 6 6 8 8 8; do printf ' %s0%%' $p; sleep 0.25; done",
                                                                   true, "Extract completed: ", {60, 70, 80, 90, 100}};
    }

    void sevenZipEnds()
    {
        QFETCH(UnpackRun, e);
        test::ArchiveBuilder archive;
        archive.addFile("IND/a.dbf");
        QVERIFY(archive.write(cachePathOf("update/rim/a.zip")));
        m_installer->setSevenZipRun(sevenZip(e.unpacking));
        QList<int> seen;
        m_installer->setProgress([&seen](int percent) { seen << percent; });
        test::LogCapture log;
        QCOMPARE(m_installer->installFile(cachePathOf("update/rim/a.zip"), "rikInd"), e.installed);
        QCOMPARE(QFileInfo::exists(cachePathOf("update/rim/a.zip")), !e.installed);
        QVERIFY2(log.contains(e.installed ? "Info" : "Error", e.logged), qPrintable(log.lines().join('\n')));
        QVERIFY(e.progress.isEmpty() || seen == e.progress);
    }

    // Whatever goes wrong, the WinRIK folder and the download cache end byte
    // for byte as they were, and the user is told why.
    void faultLeavesFolderAndCacheAsTheyWere_data()
    {
        QTest::addColumn<Fault>("f");
        const QString ind = "update/ind/i.zip", nb = "update/nb/base1234.zip";
        QTest::newRow("damaged archive") << Fault{"damaged", "rikInd", ind, "Архив повреждён: i.zip"};
        QTest::newRow("\"..\" entry") << Fault{"hostile", "rikInd", ind, "недопустимый путь «../../escaped.txt»"};
        QTest::newRow("link entry") << Fault{"hostile", "rikInd", ind, "недопустимый путь «IND/passwd»"};
        QTest::newRow("journal planted") << Fault{"hostile", "rikInd", ind, "недопустимый путь «.zelvinora-install/journal»"};
        QTest::newRow("newline in a name") << Fault{"hostile", "rikInd", ind, "недопустимое имя файла «a?remove sm_r/INSTAL.DBF»"};
        QTest::newRow("WinRIK running") << Fault{"winrik", "rikInd", ind, "Закройте программу WinRIK"};
        QTest::newRow("INSTAL write fails") << Fault{"instal", "rikNB", nb, "таблицу INSTAL"};
        QTest::newRow("endings merge fails") << Fault{"merge", "rikVarRes", "update/var/res_0007.dbf.zip", "res_all"};
        QTest::newRow("disk full while unpacking") << Fault{"fullDisk", "rikInd", ind, "Не удалось распаковать архив"};
        QTest::newRow("code 1234 is not X_51234") << Fault{"code", "rikNB", nb, "папка нормативной базы"};
        QTest::newRow("archive outside the cache") << Fault{"outside", "rikInd", "update/../../outside.zip", "не из папки загрузок"};
        QTest::newRow("stopped while unpacking") << Fault{"stop", "rikInd", ind, "Установка прервана: i.zip"};
        QTest::newRow("7-Zip goes silent") << Fault{"stall", "rikInd", ind, "перестала отвечать"};
        QTest::newRow("crash between the moves") << Fault{"crash", "rikInd", ind, ""};
        QTest::newRow("crash, then the journal lost") << Fault{"lostJournal", "rikInd", ind, ""};
    }

    void faultLeavesFolderAndCacheAsTheyWere()
    {
        QFETCH(Fault, f);
        const QString rik = m_rik->root(), path = cachePathOf(f.archive), cache = QFileInfo(downloadCacheFolder()).path();
        QVERIFY(m_rik->writeInstal({{"Старая", "0001", "NB\\Old_0001\\"}}) && m_rik->writeNbIni("NB/Old_0001", "1.0", "Старая")
                && m_rik->writeNbIni("NB/A_51234", "1.0", "Чужая")
                && m_rik->writeEndingsTable("res", {endings("res", 5, 1, "a"), endings("res", 9, 2, "b")}));
        test::ArchiveBuilder archive;
        for (const QString n : {"1", "2", "3"}) {
            QVERIFY(m_rik->writeFile("IND/ind_240" + n + ".dbf", "old index " + n.toLatin1()));
            archive.addFile("IND/ind_240" + n + ".dbf", "new " + n.toLatin1());
        }
        archive.addFile("IND/Новые/ind_2404.dbf", "new d");
        archive.addFile("res_7.dbf", "record");
        if (f.fault != "code")
            archive.addFile("NB/Base_1234/nb.ini", "[Version]\r\nNumber=2.0\r\nName=New\r\n");
        if (f.fault == "fullDisk")
            archive.addFile("IND/big.dbf", QByteArray(200000, 'b'));
        QVERIFY(QDir().mkpath(cachePathOf("update")));
        if (f.fault == "hostile")
            QCOMPARE(QProcess::execute("python3", {"-c", kHostileZip, path, f.reason.section("«", 1).chopped(1).replace('?', '\n')}), 0);
        else
            QVERIFY(archive.write(path) && (f.fault != "damaged" || test::ArchiveBuilder::damage(path)));
        QProcess winrik;
        if (f.fault == "winrik") {
            QVERIFY(QFile::copy("/bin/sleep", m_dir->filePath("winrik.exe")));
            winrik.start(m_dir->filePath("winrik.exe"), {"60"});
            QVERIFY(winrik.waitForStarted());
        }
        if (f.fault == "stall")
            m_installer->setSevenZipRun(sevenZip("sleep 30"));
        const QMap<QString, rlim_t> limits{{"instal", QFileInfo(m_rik->path("sm_r/INSTAL.DBF")).size() + 10},
                                           {"merge", QFileInfo(m_rik->path("sm_r/var/res_all.dbf")).size() + 10},
                                           {"fullDisk", 100000}};
        // Beside the WinRIK folder, below the cache's parent compared at the end.
        QVERIFY(test::writeFile(m_dir->filePath("victim.txt"), "beside the folder"));
        const auto folderBefore = snapshot(rik), cacheBefore = snapshot(cache);
        if (f.fault == "crash" || f.fault == "lostJournal") {
            QProcess child;
            child.setEnvironment(QProcess::systemEnvironment() << "ZV_CRASHING_INSTALL=" + rik + "\n" + path);
            child.start(QCoreApplication::applicationFilePath(), QStringList());
            QVERIFY(child.waitForFinished(60000) && child.exitStatus() == QProcess::CrashExit);
            QVERIFY(snapshot(rik, installWorkFolderName) != folderBefore);
            QVERIFY(f.fault == "crash" || QFile::resize(rik + "/" + installWorkFolderName + "/journal", 0));
            QVERIFY(interruptedInstallRemains(rik) && restoreInterruptedInstall(rik) && !interruptedInstallRemains(rik));
        } else {
            m_installer->setInstalledBases({{"0001", NORMBASE()}});
            m_installer->setOfferedEndings({endings("res", 7, 0, "Новая")});
            // "Прервать" pressed once unpacked files are there.
            const QDir staging(rik + "/" + installWorkFolderName + "/staging/IND");
            m_installer->setStopRequested([&] { return f.fault == "stop" && staging.exists(); });
            QVERIFY(!withFileSizeLimit(limits.value(f.fault), [&] { return m_installer->installFile(path, f.itemClass); }));
            QVERIFY2(m_installer->failureReason().contains(f.reason), qPrintable(m_installer->failureReason()));
        }
        winrik.kill();
        winrik.waitForFinished();
        QCOMPARE(snapshot(rik), folderBefore);
        QCOMPARE(snapshot(cache), cacheBefore);
    }

    // The client's own setup program is started and the client ends; one
    // that does not start keeps the client and the file.
    void ownSetupTakesOver()
    {
        const QString marker = m_dir->filePath("setup ran"), setup = cachePathOf("zelvinoraPA/setup.exe");
        bool exited = false;
        m_installer->setClientExit([&exited] { exited = true; });
        QVERIFY(writeScript(setup, "not a program"));
        QVERIFY(!m_installer->installFile(setup, "zelvinoraPA") && !exited && QFileInfo::exists(setup));
        QVERIFY(writeScript(setup, "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n"));
        QVERIFY(m_installer->installFile(setup, "zelvinoraPA") && exited);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
    }

    // WinRIK as a Linux process table shows it, in a fake /proc: comm and state.
    void winrikAmongLinuxProcesses_data()
    {
        QTest::addColumn<QString>("comm");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("running");
        QTest::newRow("other letter case") << "WinRIK.EXE" << "S" << true;
        QTest::newRow(".exe dropped") << "winrik" << "R" << true;
        QTest::newRow("longer name") << "winrik.exe2" << "S" << false;
        QTest::newRow("prefix") << "winri" << "S" << false;
        QTest::newRow("zombie") << "winrik" << "Z" << false;
    }

    void winrikAmongLinuxProcesses()
    {
        QFETCH(QString, comm);
        QFETCH(QString, state);
        const QString proc = m_dir->filePath("proc");
        QVERIFY(test::writeFile(proc + "/42/comm", comm.toUtf8() + "\n")
                && test::writeFile(proc + "/42/stat", "42 (" + comm.toUtf8() + ") " + state.toLatin1() + " 1 42\n"));
        QFETCH(bool, running);
        QCOMPARE(isProcessRunningIn(proc, winrikImageName, -1), running);
    }

private:
    // A stand-in for 7-Zip that answers "t" and "l" at once and runs "x" as told.
    SevenZipRun sevenZip(const QByteArray& unpacking)
    {
        SevenZipRun run;
        run.program = m_dir->filePath("7za");
        run.stallLimitMs = 1000;
        if (!unpacking.isNull())
            writeScript(run.program, "#!/bin/sh\n[ \"$1\" = x ] && { " + unpacking + "; }\nexit 0\n");
        return run;
    }

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<test::WinRikFolderBuilder> m_rik;
    QScopedPointer<Installer> m_installer;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZV_CRASHING_INSTALL"))
        return installUntilTheCrash();
    InstallTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_install.moc"
