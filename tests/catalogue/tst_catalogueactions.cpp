// The download, install and combined actions on ticked rows, through the
// real download tab, the stand-in service, 7-Zip and fixture folders.
#include "catalogue/downloadtab.h"
#include "service/downloadcache.h"
#include "service/statements.h"
#include "install/dostext.h"
#include "install/winrikfolder.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/catalogue/catalogueworld.h"
#include "tests/support/archivebuilder.h"
#include "tests/support/logcapture.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace zv;

namespace {
const QString spbIndex = QStringLiteral("Индексы и ценники (03 квартал 2023 год к ТСН СПб)");
const QString cfoIndex = QStringLiteral("Индексы и ценники (4 квартал 2024 год к Центральный ФО)");
const QString spbUrl = QStringLiteral("update_grand/grand_spb1_2023_03.zip");
const QString cfoUrl = QStringLiteral("update_grand/grand_0cfo_2024_4.zip");
const QString waiting = QStringLiteral("Ожидает установки");

// Counts how often each control changes between enabled and disabled.
class EnabledChanges : public QObject
{
public:
    explicit EnabledChanges(const QList<QWidget*>& controls)
    {
        for (QWidget* control : controls) {
            control->installEventFilter(this);
            m_changes.insert(control, 0);
        }
    }
    int of(QWidget* control) const { return m_changes.value(control); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            ++m_changes[static_cast<QWidget*>(watched)];
        return false;
    }

private:
    QMap<QWidget*, int> m_changes;
};

} // namespace

class CatalogueActionsTest : public QObject
{
    Q_OBJECT

    test::CatalogueWorld m_world;

    bool serveIndexArchive(const QString& url, const QString& folder)
    {
        test::ArchiveBuilder archive;
        archive.addFile(folder + "/prices.dbf", "prices");
        return archive.write(m_world.filesPath() + "/" + url);
    }

    QList<QWidget*> controlsOf(DownloadTab& tab)
    {
        return {test::tableOf(tab), test::buttonOf(tab, "updateButton"),
                test::buttonOf(tab, "downloadButton"), test::buttonOf(tab, "installButton"),
                test::buttonOf(tab, "downloadAndInstallButton")};
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        test::CatalogueWorld::Options options;
        options.record = true;
        QVERIFY2(m_world.start(options), qPrintable(m_world.errorString()));
        QVERIFY2(m_world.sql({
                     "INSERT INTO `норм_база` VALUES "
                     "('0CFO', 'Центральный ФО', NULL, NULL, '', 'Индексы/ЦФО_'), "
                     "('SPB1', 'ТСН СПб', NULL, NULL, '', 'Индексы/СПб_')",
                     "INSERT INTO `индекс` VALUES (7, '0cfo', '4', '2024', NULL), "
                     "(8, 'spb1', '03', '2023', NULL)",
                     "INSERT INTO `разрешениеИнд` VALUES (9001, 7), (9001, 8)",
                 }),
                 qPrintable(m_world.errorString()));
    }

    void init()
    {
        m_world.applySettings(false, true);
        test::CatalogueWorld::clearCache();
        QDir(m_world.grandPath()).removeRecursively();
        QDir().mkpath(m_world.grandPath());
        QFile::remove(m_world.filesPath() + "/" + spbUrl);
        QFile::remove(m_world.filesPath() + "/" + cfoUrl);
    }

    void hiddenTickedRowsAreDownloadedToo()
    {
        m_world.applySettings(true, true);
        QVERIFY(m_world.serveFile(spbUrl, "spb"));
        QVERIFY(m_world.serveFile(cfoUrl, "cfo"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::tick(tab, spbIndex);
        test::tick(tab, cfoIndex);
        // Another category: the ticked Гранд-Смета rows are hidden now.
        test::clickNode(tab, "rik");
        QVERIFY(test::rowTitled(tab, spbIndex).hidden);
        QVERIFY(test::rowTitled(tab, cfoIndex).hidden);
        test::buttonOf(tab, "downloadButton")->click();
        QVERIFY(QFile::exists(cachePathOf(spbUrl)));
        QVERIFY(QFile::exists(cachePathOf(cfoUrl)));
        // Nothing else was ticked, so nothing else was fetched.
        QVERIFY(!QFile::exists(cachePathOf("update/userszip/123.zip")));
    }

    void downloadThenInstallLandsTheArchiveAndRemovesIt()
    {
        QVERIFY(serveIndexArchive(cfoUrl, "Индексы/ЦФО_2024_4"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::tick(tab, cfoIndex);
        test::buttonOf(tab, "downloadButton")->click();
        QCOMPARE(test::rowTitled(tab, cfoIndex).status, waiting);

        test::tick(tab, cfoIndex);
        test::ActionOutcome after(tab);
        test::LogCapture log;
        test::buttonOf(tab, "installButton")->click();
        QCOMPARE(after.row(cfoIndex).status, QStringLiteral("Установлено"));
        QCOMPARE(after.row(cfoIndex).statusStyle, QStringLiteral("background-color: aquamarine;"));
        QVERIFY(log.lines().contains("default: Installed succeful completed"));
        QVERIFY(QFile::exists(m_world.grandPath() + "/Индексы/ЦФО_2024_4/prices.dbf"));
        QVERIFY(!QFile::exists(cachePathOf(cfoUrl)));
        // The rebuild now finds it installed.
        QCOMPARE(test::rowTitled(tab, cfoIndex).status, QStringLiteral("Установлено"));
        QVERIFY(!test::rowTitled(tab, cfoIndex).ticked);
    }

    void rowThatIsNotWaitingIsNotInstalled()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        // The archive arrives in the cache behind the catalogue's back: the
        // row still reads "Доступно обновление" and is left alone.
        test::ArchiveBuilder archive;
        archive.addFile("Индексы/ЦФО_2024_4/prices.dbf");
        QVERIFY(makeCacheFolder(QFileInfo(cachePathOf(cfoUrl)).absolutePath()));
        QVERIFY(archive.write(cachePathOf(cfoUrl)));
        test::tick(tab, cfoIndex);
        test::LogCapture log;
        test::buttonOf(tab, "installButton")->click();
        QVERIFY(!log.lines().contains("default: Installed succeful completed"));
        QVERIFY(!QDir(m_world.grandPath() + "/Индексы/ЦФО_2024_4").exists());
        QVERIFY(QFile::exists(cachePathOf(cfoUrl)));
        QCOMPARE(test::rowTitled(tab, cfoIndex).status, waiting);
    }

    void failedDownloadIsSkippedByTheInstallPass()
    {
        QVERIFY(serveIndexArchive(spbUrl, "Индексы/СПб_2023_3"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::tick(tab, spbIndex);
        test::tick(tab, cfoIndex); // not on the service: its download fails
        const QList<QWidget*> controls = controlsOf(tab);
        EnabledChanges changes(controls);
        test::ActionOutcome after(tab);
        const int builds = m_world.countStatements(
            statements::productVersion(statements::productClient));
        test::LogCapture log;
        test::buttonOf(tab, "downloadAndInstallButton")->click();

        QCOMPARE(after.row(cfoIndex).status, QStringLiteral("Ошибка"));
        QCOMPARE(after.row(cfoIndex).statusStyle, QStringLiteral("background-color: tomato;"));
        QCOMPARE(after.row(spbIndex).status, QStringLiteral("Установлено"));
        QVERIFY(QFile::exists(m_world.grandPath() + "/Индексы/СПб_2023_3/prices.dbf"));
        QVERIFY(!QDir(m_world.grandPath() + "/Индексы/ЦФО_2024_4").exists());
        QCOMPARE(log.lines().count("default: Installed succeful completed"), 1);
        // Disabled once by the download, enabled once by the install, and
        // one rebuild at the end.
        for (QWidget* control : controls) {
            QCOMPARE(changes.of(control), 2);
            QVERIFY(control->isEnabled());
        }
        QCOMPARE(m_world.countStatements(statements::productVersion(statements::productClient)),
                 builds + 1);
    }

    void installWithNothingTickedStillTogglesAndRebuilds()
    {
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        const QList<QWidget*> controls = controlsOf(tab);
        EnabledChanges changes(controls);
        const int builds = m_world.countStatements(
            statements::productVersion(statements::productClient));
        test::buttonOf(tab, "installButton")->click();
        for (QWidget* control : controls)
            QCOMPARE(changes.of(control), 2);
        QCOMPARE(m_world.countStatements(statements::productVersion(statements::productClient)),
                 builds + 1);
    }

    void rebuildAskedForDuringAnActionWaitsForIt()
    {
        QVERIFY(serveIndexArchive(spbUrl, "Индексы/СПб_2023_3"));
        QVERIFY(serveIndexArchive(cfoUrl, "Индексы/ЦФО_2024_4"));
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        test::tick(tab, spbIndex);
        test::tick(tab, cfoIndex);
        const int builds = m_world.countStatements(
            statements::productVersion(statements::productClient));
        // The main window rebuilds when the user comes back to the tab; here
        // that happens while the first download waits for the service.
        QTimer::singleShot(0, &tab, [&tab] { tab.updateLicList(); });
        test::ActionOutcome after(tab);
        test::buttonOf(tab, "downloadAndInstallButton")->click();
        QCOMPARE(after.row(spbIndex).status, QStringLiteral("Установлено"));
        QCOMPARE(after.row(cfoIndex).status, QStringLiteral("Установлено"));
        QCOMPARE(m_world.countStatements(statements::productVersion(statements::productClient)),
                 builds + 1);
        QCOMPARE(test::titlesOf(tab), (QStringList{spbIndex, cfoIndex}));
    }

    void secondBuildOffersTheLatestEndingsRecord()
    {
        // The installer merges the newest offer of a table: after two builds
        // it must take the second record the service sent.
        m_world.applySettings(true, false);
        test::WinRikFolderBuilder rik = m_world.rik();
        VAR old;
        old.number = 1042;
        old.nn = 1;
        old.name = "Прежняя";
        QVERIFY2(rik.writeEndingsTable("res", {old}), qPrintable(rik.errorString()));
        QVERIFY(m_world.sql({"INSERT INTO `current_var` (`number`, `type`, `name`, `lastChange`) "
                             "VALUES (1042, 'res', 'Первая', '2026-01-01 00:00:00')"}));
        test::MessageBoxCloser boxes;
        DownloadTab tab(nullptr);
        test::rebuild(tab);
        QVERIFY(m_world.sql({"UPDATE `current_var` SET `name` = 'Вторая' WHERE `number` = 1042"}));
        test::rebuild(tab);
        QVERIFY(m_world.sql({"DELETE FROM `current_var`"}));

        test::ArchiveBuilder archive;
        archive.addFile("res_1042.dbf", "record");
        QVERIFY(archive.write(m_world.filesPath() + "/update/var/res_1042.dbf.zip"));
        test::tick(tab, "Вторая");
        test::ActionOutcome after(tab);
        test::buttonOf(tab, "downloadAndInstallButton")->click();
        QCOMPARE(after.row("Вторая").status, QStringLiteral("Установлено"));

        DbfDataSource source = winrik::endingsSource(m_world.rikPath());
        QVERIFY(source.open());
        const auto rows = source.readAll(winrik::endingsTable("res"));
        QVERIFY(rows.has_value());
        const QVector<VAR> records = readVars(*rows);
        QCOMPARE(records.size(), 1);
        QCOMPARE(decodeDosText(records.first().name), QStringLiteral("Вторая"));
    }
};

QTEST_MAIN(CatalogueActionsTest)
#include "tst_catalogueactions.moc"
