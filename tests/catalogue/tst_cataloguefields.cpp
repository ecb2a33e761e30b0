// The small rules the catalogue builders lean on: which rows a category node
// shows, dates read by character position, and version texts.
#include "catalogue/answerfields.h"
#include "catalogue/categorytree.h"
#include "catalogue/versiontext.h"
#include "tests/support/devserviceprocess.h"

#include <QTreeWidget>
#include <QtTest>

using namespace zv;

using VersionMap = QMap<QString, float>;

class CatalogueFieldsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { test::enableTestMode(); }

    void rowMembership_data()
    {
        QTest::addColumn<QString>("nodeKey");
        QTest::addColumn<QString>("itemClass");
        QTest::addColumn<bool>("belongs");
        QTest::newRow("root shows the client update") << "myFiles" << "zelvinoraPA" << true;
        QTest::newRow("root shows a row without class") << "myFiles" << "" << true;
        QTest::newRow("rik covers the program version") << "rik" << "rik" << true;
        QTest::newRow("rik covers indices") << "rik" << "rikInd" << true;
        QTest::newRow("rik covers the user file") << "rik" << "rikUser" << true;
        QTest::newRow("rik covers local endings") << "rik" << "rikVarLoc" << true;
        QTest::newRow("rik leaves Гранд-Смета out") << "rik" << "grandInd" << false;
        QTest::newRow("rik leaves the client out") << "rik" << "zelvinoraPA" << false;
        QTest::newRow("endings cover local") << "rikVar" << "rikVarLoc" << true;
        QTest::newRow("endings cover resource") << "rikVar" << "rikVarRes" << true;
        QTest::newRow("endings leave bases out") << "rikVar" << "rikNB" << false;
        QTest::newRow("bases leave NR/SP out") << "rikNB" << "rikNRSP" << false;
        QTest::newRow("no class is under no branch") << "rik" << "" << false;
        QTest::newRow("grand covers its indices") << "grand" << "grandInd" << true;
        QTest::newRow("letter case counts") << "rikind" << "rikInd" << false;
    }

    void rowMembership()
    {
        QFETCH(QString, nodeKey);
        QFETCH(QString, itemClass);
        QFETCH(bool, belongs);
        QCOMPARE(category::rowBelongsTo(nodeKey, itemClass), belongs);
    }

    void treeHoldsTheBranchesInUse_data()
    {
        QTest::addColumn<bool>("useRik");
        QTest::addColumn<bool>("useGrand");
        QTest::addColumn<QStringList>("keysInOrder");
        const QStringList rik = {"rik", "rikInd", "rikNB", "rikNRSP", "rikVar", "rikVarLoc",
                                 "rikVarRes"};
        const QStringList grand = {"grand", "grandInd"};
        QTest::newRow("both") << true << true << (QStringList{"myFiles"} + rik + grand);
        QTest::newRow("WinRIK only") << true << false << (QStringList{"myFiles"} + rik);
        QTest::newRow("Гранд-Смета only") << false << true << (QStringList{"myFiles"} + grand);
        QTest::newRow("neither") << false << false << QStringList{"myFiles"};
    }

    void treeHoldsTheBranchesInUse()
    {
        QFETCH(bool, useRik);
        QFETCH(bool, useGrand);
        QFETCH(QStringList, keysInOrder);
        QTreeWidget tree;
        category::populate(tree, useRik, useGrand);
        QStringList keys;
        for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
            keys << category::keyOf(*it);
            QVERIFY((*it)->isExpanded() || (*it)->childCount() == 0);
        }
        QCOMPARE(keys, keysInOrder);
        QCOMPARE(tree.topLevelItemCount(), 1);
        QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("Мои файлы"));
    }

    void treeNodesSitUnderTheirParents()
    {
        QTreeWidget tree;
        const auto nodes = category::populate(tree, true, true);
        QCOMPARE(nodes.value("rikVarLoc")->parent(), nodes.value("rikVar"));
        QCOMPARE(nodes.value("rikVarLoc")->text(0), QStringLiteral("Локальные"));
        QCOMPARE(nodes.value("rikVarRes")->text(0), QStringLiteral("Ресурсные"));
        QCOMPARE(nodes.value("rikVar")->parent(), nodes.value("rik"));
        QCOMPARE(nodes.value("rikVar")->text(0), QStringLiteral("Концовки"));
        QCOMPARE(nodes.value("rikNRSP")->text(0), QStringLiteral("НР и СП"));
        QCOMPARE(nodes.value("rikNB")->text(0), QStringLiteral("Нормативные базы"));
        QCOMPARE(nodes.value("rikInd")->text(0), QStringLiteral("Индексы и ТЦ"));
        QCOMPARE(nodes.value("grandInd")->text(0), QStringLiteral("Индексы и ТЦ"));
        QCOMPARE(nodes.value("grandInd")->parent(), nodes.value("grand"));
        QCOMPARE(nodes.value("grand")->text(0), QStringLiteral("Гранд-Смета"));
        QCOMPARE(nodes.value("rik")->text(0), QStringLiteral("РИК"));
        QCOMPARE(nodes.value("grand")->parent(), nodes.value("myFiles"));
    }

    void datesByPosition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain date") << "2025-03-31" << "31.03.2025";
        QTest::newRow("date with time") << "2026-11-20 09:30:15" << "20.11.2026";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("not a date") << "никогда" << "";
        QTest::newRow("month out of range") << "2025-13-01" << "";
        QTest::newRow("slashes still read by position") << "2025/03/31" << "31.03.2025";
        QTest::newRow("too short") << "2025-03" << "";
    }

    void datesByPosition()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(answer::displayDate(text), shown);
    }

    void dateTimesByPosition()
    {
        const QString text = QStringLiteral("2026-10-01 08:15:42");
        QCOMPARE(answer::dateTimeAt(text, answer::Seconds::Read),
                 QDateTime(QDate(2026, 10, 1), QTime(8, 15, 42), Qt::LocalTime));
        QCOMPARE(answer::dateTimeAt(text, answer::Seconds::Ignore),
                 QDateTime(QDate(2026, 10, 1), QTime(8, 15, 0), Qt::LocalTime));
        QCOMPARE(answer::dateTimeAt(QStringLiteral("2026-10-01"), answer::Seconds::Read),
                 QDateTime(QDate(2026, 10, 1), QTime(0, 0), Qt::LocalTime));
        QVERIFY(!answer::dateTimeAt(QStringLiteral("abcd-10-01 08:15"), answer::Seconds::Read)
                     .isValid());
    }

    void versionTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("version");
        QTest::addColumn<float>("year");
        QTest::addColumn<float>("month");
        QTest::addColumn<float>("day");
        QTest::newRow("2.1.240408") << "2.1.240408" << 2.1f << 24.f << 4.f << 8.f;
        QTest::newRow("3.0.250101") << "3.0.250101" << 3.f << 25.f << 1.f << 1.f;
        QTest::newRow("no date piece") << "2.1" << 2.1f << 0.f << 0.f << 0.f;
        QTest::newRow("one piece") << "7" << 7.f << 0.f << 0.f << 0.f;
        QTest::newRow("empty answer") << "" << 0.f << 0.f << 0.f << 0.f;
        QTest::newRow("short date") << "2.1.24" << 2.1f << 24.f << 0.f << 0.f;
        QTest::newRow("letters in the date") << "2.1.24xx08" << 2.1f << 24.f << 0.f << 8.f;
    }

    void versionTexts()
    {
        QFETCH(QString, text);
        QFETCH(float, version);
        QFETCH(float, year);
        QFETCH(float, month);
        QFETCH(float, day);
        const VersionMap map = versiontext::parse(text);
        QCOMPARE(map.value("Version"), version);
        QCOMPARE(map.value("Year"), year);
        QCOMPARE(map.value("Month"), month);
        QCOMPARE(map.value("Day"), day);
    }

    void clientVersionDisplay_data()
    {
        QTest::addColumn<VersionMap>("version");
        QTest::addColumn<QString>("shown");
        QTest::newRow("2.1.240408") << VersionMap{{"Version", 2.1f}, {"Year", 24}, {"Month", 4},
                                                  {"Day", 8}}
                                    << "2.1.240408";
        QTest::newRow("3.251231") << VersionMap{{"Version", 3}, {"Year", 25}, {"Month", 12},
                                                {"Day", 31}}
                                  << "3.251231";
        QTest::newRow("missing keys count as 0") << VersionMap{{"Version", 2.5f}} << "2.5.000000";
        QTest::newRow("empty map") << VersionMap{} << "0.000000";
    }

    void clientVersionDisplay()
    {
        QFETCH(VersionMap, version);
        QFETCH(QString, shown);
        QCOMPARE(versiontext::display(version), shown);
    }
};

QTEST_MAIN(CatalogueFieldsTest)
#include "tst_cataloguefields.moc"
