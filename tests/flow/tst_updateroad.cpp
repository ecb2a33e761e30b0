// The road of the updates a customer is offered, through the client's own
// window in this process: the first start, the general page pointed at the
// customer's keys and folders (each save restarts the client), the catalogue
// against the stand-in service, every kind of update downloaded and installed
// in one go with real 7-Zip and real dBASE tables, and the catalogue that
// follows. Each step starts where the one before it left the disk and the
// settings store.
#include "app/mainwindow.h"
#include "install/processcheck.h"
#include "app/trayicon.h"
#include "catalogue/downloadtab.h"
#include "install/dostext.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"
#include "settings/autostart.h"
#include "settings/hometab.h"
#include "settings/setgeneral.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "tests/app/messageboxcatcher.h"
#include "tests/catalogue/cataloguefixture.h"
#include "tests/flow/flowworld.h"
#include "tests/support/logcapture.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextCodec>
#include <QtTest>

#include <algorithm>

using namespace zv;

namespace {

const QString installed = QStringLiteral("Установлено");
const QString available = QStringLiteral("Доступно обновление");
const QString restartMarkerVariable = QStringLiteral("ZV_FLOW_RESTART_MARKER");
const QString cfoIndexFolder = QStringLiteral(
    "/IND/Государственные/Минстрой (РИМ) Зелвинора/Центральный федеральный округ/Курская область/");

// Copies of the client started by other tests on this machine must not end
// the windows under test.
bool nothingRuns(const QString&)
{
    return false;
}

// The copy of the client that a saved general page starts: it only says it
// was started, so the test goes on with the next start in this process.
int reportRestart()
{
    QFile marker(qEnvironmentVariable(qPrintable(restartMarkerVariable)));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.write(QCoreApplication::applicationFilePath().toUtf8());
    return 0;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

QString iniValue(const QString& path, const QString& key)
{
    return QSettings(path, QSettings::IniFormat).value(key).toString();
}

QString windows1251Latin(const QString& text)
{
    return QString::fromLatin1(QTextCodec::codecForName("Windows-1251")->fromUnicode(text));
}

bool trayShows(const QString& iconPath)
{
    QSystemTrayIcon* icon = trayIcon();
    return icon && icon->icon().pixmap(32).toImage() == QIcon(iconPath).pixmap(32).toImage();
}

SetGeneral& generalPage(MainWindow& window)
{
    return *window.homeTab()->generalPage();
}

QLineEdit* lineEdit(MainWindow& window, const QString& objectName)
{
    return generalPage(window).findChild<QLineEdit*>(objectName);
}

template <typename Control> Control* controlTitled(MainWindow& window, const QString& text)
{
    for (Control* control : generalPage(window).findChildren<Control*>()) {
        if (control->text() == text)
            return control;
    }
    return nullptr;
}

// What the user does in a field: select what it holds and type over it.
void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QVector<DbfRecord> instalRows(const QString& rikFolder)
{
    DbfDataSource source = winrik::instalSource(rikFolder);
    if (!source.open())
        return {};
    return source.readAll(winrik::instalTable).value_or(QVector<DbfRecord>());
}

QVector<VAR> endingsRecords(const QString& rikFolder, const QString& type)
{
    DbfDataSource source = winrik::endingsSource(rikFolder);
    if (!source.open())
        return {};
    const auto rows = source.readAll(winrik::endingsTable(type));
    return rows ? readVars(*rows) : QVector<VAR>();
}

const VAR* recordNumbered(const QVector<VAR>& records, int number)
{
    for (const VAR& record : records) {
        if (record.number == number)
            return &record;
    }
    return nullptr;
}

} // namespace

class UpdateRoadTest : public QObject
{
    Q_OBJECT

    test::FlowWorld m_world;
    QTemporaryDir m_markers;
    int m_stepsDone = 0;
    int m_restarts = 0;

    QString rik(const QString& relative) const { return m_world.rikPath() + relative; }

    // The user presses "Сохранить изменения": the client starts a new copy of
    // itself and closes.
    void saveAndRestart(MainWindow& window)
    {
        const QString marker = m_markers.filePath(QStringLiteral("restart%1").arg(++m_restarts));
        qputenv(qPrintable(restartMarkerVariable), marker.toUtf8());
        QPushButton* save =
            controlTitled<QPushButton>(window, QStringLiteral("Сохранить изменения"));
        QVERIFY(save);
        save->click();
        qunsetenv(qPrintable(restartMarkerVariable));
        QVERIFY(!window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(marker).size() > 0, 60000);
        QCOMPARE(QString::fromUtf8(fileBytes(marker)), QCoreApplication::applicationFilePath());
    }

    void checkStatuses(DownloadTab& tab, bool allInstalled, bool hidden)
    {
        const QList<test::OfferedRow> offer = test::FlowWorld::offer();
        QCOMPARE(test::rowsOf(tab).size(), offer.size());
        for (const test::OfferedRow& expected : offer) {
            const test::CatalogueRowView row = test::rowTitled(tab, expected.title);
            QVERIFY2(row.title == expected.title, qPrintable("no row " + expected.title));
            const bool isNew = expected.newAtStart && !allInstalled;
            QVERIFY2(row.status == (isNew ? available : installed),
                     qPrintable(expected.title + ": " + row.status));
            QCOMPARE(row.isNew, isNew);
            QCOMPARE(row.itemClass, expected.itemClass);
            if (!expected.url.isEmpty())
                QCOMPARE(row.url, expected.url);
            QVERIFY(!row.ticked);
            QVERIFY2(row.hidden == hidden, qPrintable(expected.title));
        }
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
        QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
        QCoreApplication::setApplicationVersion(test::FlowWorld::clientVersion);
        installSettingsFormat();
        setProcessProbe(nothingRuns);
        QVERIFY(m_markers.isValid());
        QVERIFY2(m_world.start(), qPrintable(m_world.errorString()));
        QDir(downloadCacheFolder()).removeRecursively();
    }

    void firstStartWritesTheDefaults()
    {
        QVERIFY(QSettings().allKeys().isEmpty());
        MessageBoxCatcher boxes;
        MainWindow window;
        window.show();
        const QSettings store;
        QCOMPARE(store.allKeys().size(), 21);
        for (const auto& [key, value] : keys::firstRunDefaults())
            QCOMPARE(store.value(key).toString(), value.toString());
        QVERIFY(autostartEntryExists());
        // Neither estimate program is in use yet.
        QCOMPARE(window.mainTabs()->count(), 1);
        QVERIFY(!window.downloadTab());
        QVERIFY(boxes.boxes().isEmpty());
        ++m_stepsDone;
    }

    void generalPagePointsTheClientAtTheCustomersPrograms()
    {
        QCOMPARE(m_stepsDone, 1);
        MessageBoxCatcher boxes;
        MainWindow window;
        window.show();
        QCOMPARE(window.mainTabs()->count(), 1);

        auto* onlyNew = controlTitled<QCheckBox>(
            window, QStringLiteral("Скрывать не требующие обновления файлы"));
        auto* useRik = controlTitled<QCheckBox>(window, QStringLiteral("Использовать ПК РИК"));
        auto* useGrand =
            controlTitled<QCheckBox>(window, QStringLiteral("Использовать ПК Гранд-Смета"));
        QVERIFY(onlyNew && useRik && useGrand);
        QVERIFY(onlyNew->isChecked());
        // Everything is listed for now, installed or not.
        onlyNew->click();
        useRik->click();
        useGrand->click();
        QVERIFY(lineEdit(window, "rikKey")->isEnabled());
        QVERIFY(lineEdit(window, "grandPath")->isEnabled());
        typeInto(lineEdit(window, "rikKey"), test::FlowWorld::rikKey);
        typeInto(lineEdit(window, "rikPath"), m_world.rikPath());
        typeInto(lineEdit(window, "grandKeySerial"), test::FlowWorld::grandSeries);
        typeInto(lineEdit(window, "grandKeyNumber"), test::FlowWorld::grandNumber);
        typeInto(lineEdit(window, "grandPath"), m_world.grandPath());
        saveAndRestart(window);

        const QSettings store;
        QCOMPARE(store.allKeys().size(), 21);
        QCOMPARE(store.value(keys::generalOnlyNew).toBool(), false);
        QCOMPARE(store.value(keys::generalUseRik).toBool(), true);
        QCOMPARE(store.value(keys::generalUseGrand).toBool(), true);
        QCOMPARE(store.value(keys::rikKey).toString(), test::FlowWorld::rikKey);
        QCOMPARE(store.value(keys::rikPath).toString(), m_world.rikPath());
        QCOMPARE(store.value(keys::grandKeySerial).toString(), test::FlowWorld::grandSeries);
        QCOMPARE(store.value(keys::grandKeyNumber).toString(), test::FlowWorld::grandNumber);
        QCOMPARE(store.value(keys::grandPath).toString(), m_world.grandPath());
        QVERIFY(boxes.boxes().isEmpty());
        ++m_stepsDone;
    }

    void catalogueListsTheOfferWithWhatIsInstalled()
    {
        QCOMPARE(m_stepsDone, 2);
        MessageBoxCatcher boxes;
        MainWindow window;
        window.show();
        QCOMPARE(window.mainTabs()->count(), 2);
        QCOMPARE(window.mainTabs()->tabText(1), QStringLiteral("Загрузки"));
        QCOMPARE(window.mainTabs()->currentWidget(), static_cast<QWidget*>(window.downloadTab()));
        DownloadTab& tab = *window.downloadTab();

        checkStatuses(tab, false, false);
        // The queries' order: own items, WinRIK and Гранд-Смета indices, the
        // bases (in the service's order) each followed by its НР и СП, endings.
        QStringList expected;
        for (const test::OfferedRow& row : test::FlowWorld::offer())
            expected << row.title;
        const QStringList titles = test::titlesOf(tab);
        QCOMPARE(titles.mid(0, 6), expected.mid(0, 6));
        QCOMPARE(titles.mid(11), expected.mid(11));
        QStringList bases = titles.mid(6, 5);
        QStringList expectedBases = expected.mid(6, 5);
        bases.sort();
        expectedBases.sort();
        QCOMPARE(bases, expectedBases);
        for (const QString& base : {QStringLiteral("ФЕР-2020"), QStringLiteral("ГЭСН-2022")})
            QCOMPARE(titles.indexOf("НР и СП к " + base), titles.indexOf(base) + 1);

        QVERIFY(trayShows(QStringLiteral(":/zelvinoraPAisNew.ico")));
        QVERIFY(boxes.boxes().isEmpty());
        ++m_stepsDone;
    }

    void everyKindOfUpdateIsDownloadedAndInstalled()
    {
        QCOMPARE(m_stepsDone, 3);
        MessageBoxCatcher boxes;
        MainWindow window;
        window.show();
        DownloadTab& tab = *window.downloadTab();
        QStringList ticked;
        for (const test::OfferedRow& row : test::FlowWorld::offer()) {
            if (row.newAtStart) {
                test::tick(tab, row.title);
                ticked << row.title;
            }
        }
        QCOMPARE(ticked.size(), 9);
        test::ActionOutcome outcome(tab);
        test::LogCapture log;
        test::buttonOf(tab, QStringLiteral("downloadAndInstallButton"))->click();

        QVERIFY(outcome.taken());
        for (const QString& title : ticked)
            QVERIFY2(outcome.row(title).status == installed,
                     qPrintable(title + ": " + outcome.row(title).status));
        QCOMPARE(log.lines().count(QStringLiteral("default: Installed succeful completed")), 9);
        // The closing rebuild compares every item with the disk again.
        checkStatuses(tab, true, false);
        QVERIFY(boxes.boxes().isEmpty());
        ++m_stepsDone;
    }

    void theWinRikAndGrandFoldersHoldTheUpdates()
    {
        QCOMPARE(m_stepsDone, 4);
        // The user file lands in the WinRIK folder itself.
        QCOMPARE(fileBytes(rik("/user.rik")), QByteArray("user file of key 123"));
        QVERIFY(!QFileInfo::exists(rik("/users/123/user.rik")));
        QVERIFY(fileBytes(rik("/UTILS/Doc/LastChange.rtf")).contains("2.1.240408"));
        QCOMPARE(fileBytes(rik("/winrik.exe")), QByteArray("WinRIK 2.1.240408"));
        QCOMPARE(fileBytes(rik(cfoIndexFolder + "ind_2612.dbf")), QByteArray("index 2026/4"));
        QCOMPARE(fileBytes(rik(cfoIndexFolder + "ind_2609.dbf")), QByteArray("index 2026/3"));
        QCOMPARE(fileBytes(m_world.grandPath() + "/Индексы/ДФО_2026_4/prices.dbf"),
                 QByteArray("prices 2026/4"));
        QVERIFY(QFileInfo::exists(m_world.grandPath() + "/Индексы/ДФО_2026_3/prices.dbf"));

        // The new version of an installed base: its tables replaced, their
        // index files gone so that WinRIK rebuilds them, its НР и СП date kept.
        QVERIFY(fileBytes(rik("/NB/FR20_fr20/nb.ini")).contains("Number=5.1"));
        QCOMPARE(fileBytes(rik("/NB/FR20_fr20/tables.dbf")), QByteArray("fer tables 5.1"));
        QVERIFY(!QFileInfo::exists(rik("/NB/FR20_fr20/tables.mdx")));
        QVERIFY(!QFileInfo::exists(rik("/NB/FR20_fr20/sub/PRICES.MDX")));
        QCOMPARE(iniValue(rik("/NB/FR20_fr20/dealer.ini"), "nrspDate"), m_world.fr20NrspText());
        // A base that was not reinstalled keeps its index files.
        QVERIFY(QFileInfo::exists(rik("/NB/GS22_gs22/tables.mdx")));
        QCOMPARE(fileBytes(rik("/NB/TR01_tr01/tables.dbf")), QByteArray("ter tables 3"));
        ++m_stepsDone;
    }

    void instalHasTheNewBaseOnce()
    {
        QCOMPARE(m_stepsDone, 5);
        const QVector<DbfRecord> rows = instalRows(m_world.rikPath());
        QStringList codes;
        for (const DbfRecord& row : rows)
            codes << row.text("BAZ_");
        codes.sort();
        // The reinstalled base is not registered a second time.
        QCOMPARE(codes, (QStringList{"fr20", "gs22", "tr01"}));
        const auto added = std::find_if(rows.cbegin(), rows.cend(), [](const DbfRecord& row) {
            return row.text("BAZ_") == QLatin1String("tr01");
        });
        QVERIFY(added != rows.cend());
        QCOMPARE(added->text("VID"), QStringLiteral("b"));
        QCOMPARE(added->text("DOP"), QStringLiteral("G"));
        QCOMPARE(added->text("DIR"),
                 QString(m_world.rikPath() + "/NB/TR01_tr01/").replace('/', '\\'));
        // The name goes in as nb.ini holds it.
        QCOMPARE(added->text("NAIM"), windows1251Latin("ТЕР-2001 Курская область"));
        ++m_stepsDone;
    }

    void dealerIniCarriesTheNewNrspDate()
    {
        QCOMPARE(m_stepsDone, 6);
        const QString comments = rik("/NB/GS22_gs22/nrspcmnt.dbf");
        QCOMPARE(fileBytes(comments), QByteArray("new norms"));
        const QString stamped = iniValue(rik("/NB/GS22_gs22/dealer.ini"), "nrspDate");
        QCOMPARE(stamped,
                 QFileInfo(comments).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        const QDateTime date = QDateTime::fromString(stamped, QStringLiteral("yyyy-MM-dd HH:mm"));
        QVERIFY(date.isValid());
        QVERIFY(date > m_world.gs22NrspChange());
        ++m_stepsDone;
    }

    void endingsTablesHoldTheMergedRecords()
    {
        QCOMPARE(m_stepsDone, 7);
        // An outdated record is overwritten in place.
        const QVector<VAR> local = endingsRecords(m_world.rikPath(), "loc");
        QCOMPARE(local.size(), 1);
        QCOMPARE(local.first().number, 7);
        QCOMPARE(decodeDosText(local.first().name).trimmed(),
                 QStringLiteral("Концовка локальная ФЕР"));
        QCOMPARE(local.first().baze_4.trimmed(), QStringLiteral("1"));
        QCOMPARE(fileBytes(rik("/sm_r/var/loc_7.dbf")), QByteArray("record 7"));

        // A new record joins the records already there.
        const QVector<VAR> resource = endingsRecords(m_world.rikPath(), "res");
        QCOMPARE(resource.size(), 3);
        QList<int> numbers;
        QList<int> positions;
        for (const VAR& record : resource) {
            numbers << record.number;
            positions << record.nn;
        }
        std::sort(numbers.begin(), numbers.end());
        std::sort(positions.begin(), positions.end());
        QCOMPARE(numbers, (QList<int>{5, 12, 20}));
        QCOMPARE(positions, (QList<int>{1, 2, 3}));
        const VAR* merged = recordNumbered(resource, 12);
        QVERIFY(merged);
        QCOMPARE(decodeDosText(merged->name).trimmed(), QStringLiteral("Ресурсная концовка 2026"));
        QCOMPARE(merged->KONZ_ID.trimmed(), QStringLiteral("R12"));
        QCOMPARE(merged->LIMZTRFILE.trimmed(), QStringLiteral("limz.dbf"));
        QCOMPARE(decodeDosText(recordNumbered(resource, 20)->name).trimmed(),
                 QStringLiteral("Ресурсная поздняя"));
        QCOMPARE(fileBytes(rik("/sm_r/var/res_12.dbf")), QByteArray("record 12"));
        ++m_stepsDone;
    }

    void cacheKeepsNoInstalledArchive()
    {
        QCOMPARE(m_stepsDone, 8);
        for (const test::OfferedRow& row : test::FlowWorld::offer()) {
            if (!row.url.isEmpty())
                QVERIFY2(!QFileInfo::exists(cachePathOf(row.url)), qPrintable(row.url));
        }
        QCOMPARE(filesBelow(downloadCacheFolder()), QStringList());
        ++m_stepsDone;
    }

    void installedRowsAreHiddenWhenOnlyNewOnesAreShown()
    {
        QCOMPARE(m_stepsDone, 9);
        MessageBoxCatcher boxes;
        {
            MainWindow window;
            window.show();
            window.mainTabs()->setCurrentIndex(0);
            auto* onlyNew = controlTitled<QCheckBox>(
                window, QStringLiteral("Скрывать не требующие обновления файлы"));
            QVERIFY(onlyNew && !onlyNew->isChecked());
            onlyNew->click();
            saveAndRestart(window);
        }
        QCOMPARE(QSettings().value(keys::generalOnlyNew).toBool(), true);

        MainWindow window;
        window.show();
        DownloadTab& tab = *window.downloadTab();
        checkStatuses(tab, true, true);
        QCOMPARE(test::visibleTitlesOf(tab), QStringList());
        QVERIFY(trayShows(QStringLiteral(":/zelvinoraPA2.ico")));
        QVERIFY(boxes.boxes().isEmpty());
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(qPrintable(restartMarkerVariable)))
        return reportRestart();
    UpdateRoadTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_updateroad.moc"
