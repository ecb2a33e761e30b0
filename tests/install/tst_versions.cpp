#include "install/versions.h"

#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>

using zv::VersionMap;

Q_DECLARE_METATYPE(VersionMap)

namespace {
VersionMap version(float v, float year, float month, float day)
{
    return {{"Version", v}, {"Year", year}, {"Month", month}, {"Day", day}};
}
} // namespace

// How the client tells a newer WinRIK or client version from the installed one.
class VersionsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        QVERIFY(m_root.isValid());
    }

    void isNewVersion_data();
    void isNewVersion();
    void versionInLines_data();
    void versionInLines();
    void installedRikVersionFromLastChange();
    void unreadableLastChangeGivesZeros();
    void lastChangeWithoutVersionGivesEmptyMap();
    void versionFromText();
    void ownVersionIsTheApplicationVersion();

private:
    QTemporaryDir m_root;
};

void VersionsTest::isNewVersion_data()
{
    QTest::addColumn<VersionMap>("installed");
    QTest::addColumn<VersionMap>("current");
    QTest::addColumn<bool>("isNew");

    QTest::newRow("2.1 against 2.10 goes on to the dates, equal")
        << version(2.1f, 24, 4, 8) << version(2.10f, 24, 4, 8) << false;
    QTest::newRow("2.1 against 2.10, later day")
        << version(2.1f, 24, 4, 8) << version(2.10f, 24, 4, 9) << true;
    QTest::newRow("2.1 against 2.2 at once, whatever the dates")
        << version(2.1f, 25, 12, 31) << version(2.2f, 20, 1, 1) << true;
    QTest::newRow("installed higher version")
        << version(2.2f, 20, 1, 1) << version(2.1f, 25, 12, 31) << false;
    QTest::newRow("day 8 against day 9") << version(2.4f, 24, 4, 8) << version(2.4f, 24, 4, 9)
                                         << true;
    QTest::newRow("day 9 against day 8") << version(2.4f, 24, 4, 9) << version(2.4f, 24, 4, 8)
                                         << false;
    QTest::newRow("year decides before month")
        << version(2.4f, 23, 12, 31) << version(2.4f, 24, 1, 1) << true;
    QTest::newRow("month decides before day")
        << version(2.4f, 24, 5, 1) << version(2.4f, 24, 4, 30) << false;
    QTest::newRow("equal maps") << version(2.4f, 24, 3, 15) << version(2.4f, 24, 3, 15) << false;
    QTest::newRow("empty installed map") << VersionMap() << version(0.1f, 0, 0, 0) << true;
    QTest::newRow("both empty") << VersionMap() << VersionMap() << false;
    QTest::newRow("missing keys count as 0")
        << VersionMap{{"Version", 2.4f}} << version(2.4f, 0, 0, 1) << true;
    QTest::newRow("differences below a hundredth are cut away")
        << version(2.401f, 24, 1, 1) << version(2.4f, 24, 1, 1) << false;
    QTest::newRow("fractions of a day are cut away")
        << version(2.4f, 24, 1, 1.2f) << version(2.4f, 24, 1, 1.9f) << false;
}

void VersionsTest::isNewVersion()
{
    QFETCH(VersionMap, installed);
    QFETCH(VersionMap, current);
    QFETCH(bool, isNew);
    QCOMPARE(zv::isNewVersion(installed, current), isNew);
}

void VersionsTest::versionInLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<VersionMap>("expected");
    QTest::newRow("plain") << QStringList{"2.4.240315"} << version(2.4f, 24, 3, 15);
    QTest::newRow("inside RTF text")
        << QStringList{"{\\rtf1\\ansi\\ansicpg1251", "\\f0\\fs20 Версия 3.1.231205 от декабря\\par"}
        << version(3.1f, 23, 12, 5);
    QTest::newRow("first match wins")
        << QStringList{"x 2.4.240315", "x 2.5.250101"} << version(2.4f, 24, 3, 15);
    QTest::newRow("no major digit before the match is skipped")
        << QStringList{"4.240315", "v 2.5.250101"} << version(2.5f, 25, 1, 1);
    QTest::newRow("nothing") << QStringList{"{\\rtf1}", "version 2.4"} << VersionMap();
}

void VersionsTest::versionInLines()
{
    QFETCH(QStringList, lines);
    QFETCH(VersionMap, expected);
    QCOMPARE(zv::versionInLines(lines), expected);
}

void VersionsTest::installedRikVersionFromLastChange()
{
    zv::test::WinRikFolderBuilder rik(m_root.path() + "/rik");
    QVERIFY2(rik.writeLastChange("2.4.240315"), qPrintable(rik.errorString()));
    QCOMPARE(zv::installedRikVersion(rik.root()), version(2.4f, 24, 3, 15));
}

void VersionsTest::unreadableLastChangeGivesZeros()
{
    zv::test::LogCapture log;
    QCOMPARE(zv::installedRikVersion(m_root.path() + "/no such folder"), version(0, 0, 0, 0));
    QVERIFY(log.contains("Error", "installedRikVersion: "));
}

void VersionsTest::lastChangeWithoutVersionGivesEmptyMap()
{
    zv::test::WinRikFolderBuilder rik(m_root.path() + "/rik without version");
    QVERIFY(rik.writeFile("UTILS/Doc/LastChange.rtf", "{\\rtf1 nothing here\\par}\r\n"));
    QVERIFY(zv::installedRikVersion(rik.root()).isEmpty());
}

void VersionsTest::versionFromText()
{
    QCOMPARE(zv::versionFromText("2.1.240408"), version(2.1f, 24, 4, 8));
    QCOMPARE(zv::versionFromText("10.25.251231"), version(10.25f, 25, 12, 31));
}

void VersionsTest::ownVersionIsTheApplicationVersion()
{
    QCoreApplication::setApplicationVersion("2.1.240408");
    QCOMPARE(zv::ownVersion(), version(2.1f, 24, 4, 8));
    QVERIFY(!zv::isNewVersion(zv::ownVersion(), version(2.1f, 24, 4, 8)));
    QVERIFY(zv::isNewVersion(zv::ownVersion(), version(2.1f, 24, 4, 9)));
}

QTEST_GUILESS_MAIN(VersionsTest)
#include "tst_versions.moc"
