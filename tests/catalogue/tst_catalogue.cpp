// The catalogue through the real download tab, against the stand-in service
// holding account.sql, fixture WinRIK and Гранд-Смета folders and real 7-Zip:
// which rows a build lists, in which order and with which status, how often a
// build waits and what the tab shows meanwhile; the category filter, the
// only-new rule and the select-all header; the client's own update; the
// subscription panels; and what the download and install actions leave in
// the rows, the cache and the folders.
#include "catalogue/categorytree.h"
#include "catalogue/downloadtab.h"
#include "service/downloadcache.h"
#include "service/serviceaddress.h"
#include "service/statements.h"
#include "tests/support/archivebuilder.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/messageboxcatcher.h"
#include "tests/support/testfiles.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace zv;
using test::fileBytes;

namespace {
const QString clientVersion = QStringLiteral("2.1.240408");
const QString url7 = QStringLiteral("update_grand/grand_0cfo_2024_4.zip");

// What the user sees of a row, and its hidden columns; reason: the status's tooltip.
struct Row
{
    QModelIndex box; // the name with its tick box
    QString title, status, statusColour, reason, id, url, itemClass, colour;
    bool ticked, isNew, hidden;
};
QString colourOf(const QVariant& brush)
{
    for (const char* name : {"floralwhite", "lightcyan", "aquamarine", "tomato"})
        if (brush.value<QBrush>().color() == QColor(name))
            return name;
    return brush.isValid() ? "?" : "";
}
QList<Row> rowsOf(DownloadTab& tab)
{
    auto* table = tab.findChild<QTableWidget*>("table");
    QList<Row> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto cell = [table, row](int column, int role = Qt::DisplayRole) { return table->model()->index(row, column).data(role); };
        // A progress bar over the status hides it, as it does from the user.
        const bool bar = table->cellWidget(row, 1);
        rows.append({table->model()->index(row, 0), cell(0).toString(), bar ? "" : cell(1).toString(),
                     bar ? "" : colourOf(cell(1, Qt::BackgroundRole)), cell(1, Qt::ToolTipRole).toString(),
                     cell(2).toString(), cell(3).toString(), cell(4).toString(), colourOf(cell(0, Qt::BackgroundRole)),
                     cell(0, Qt::CheckStateRole).toInt() == Qt::Checked, cell(5).toBool(), table->isRowHidden(row)});
    }
    return rows;
}
void tick(const Row& row, bool ticked)
{
    const_cast<QAbstractItemModel*>(row.box.model())->setData(row.box, ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

// settings: over the defaults; cached: archives put in the cache; node: the category chosen; seen: the rows
// left visible / those waiting for installation / the tray image; errors: the functions that logged one.
struct Filter { QString settings; QStringList cached; QString node, seen; QStringList errors; };

// archive: served, cached, damaged (in the cache), part (its first 100 bytes in the cache, the rest served) or
// nowhere; ticked: the rows ticked; button: clicked, then the next one while the first waits; seen: the ticked
// rows as the action left them / row 7 after the closing rebuild; reason: what a failed row says.
struct Action { QString archive; QStringList ticked; QString button, seen, reason; };

// Keeps the rows as an action left them: when it enables the table again,
// just before its closing rebuild starts over; and what a row's progress bar
// read last, as it gave way to the status.
struct ActionOutcome : QObject
{
    DownloadTab& tab;
    QList<Row> rows;
    QString barText;
    explicit ActionOutcome(DownloadTab& t) : tab(t)
    {
        t.findChild<QTableWidget*>("table")->installEventFilter(this);
        t.findChild<QTableWidget*>("table")->viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded && qobject_cast<QProgressBar*>(static_cast<QChildEvent*>(event)->child()))
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        if (event->type() == QEvent::DeferredDelete && qobject_cast<QProgressBar*>(watched))
            barText = static_cast<QProgressBar*>(watched)->text();
        if (rows.isEmpty() && event->type() == QEvent::EnabledChange && qobject_cast<QTableWidget*>(watched)
            && static_cast<QWidget*>(watched)->isEnabled())
            rows = rowsOf(tab);
        return false;
    }
};
} // namespace

Q_DECLARE_METATYPE(Filter)
Q_DECLARE_METATYPE(Action)

class CatalogueTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;
    QTemporaryDir m_rik, m_grand, m_files;
    QStringList m_fullBuild; // what everyRowOfAFullBuild saw

    static QDateTime at(const char* text) { return QDateTime::fromString(text, Qt::ISODate); }
    static bool visible(const Row& row) { return !row.hidden; }
    static void click(DownloadTab& tab, const QString& button) { tab.findChild<QPushButton*>(button)->click(); }
    static void rebuild(DownloadTab& tab) { click(tab, "updateButton"); }
    static bool putInCache(const QString& url, const QByteArray& content = "archive")
    {
        return makeCacheFolder(QFileInfo(cachePathOf(url)).absolutePath()) && test::writeFile(cachePathOf(url), content);
    }
    // What the user reads of a row, and where its archive comes from.
    static QString shown(const Row& row)
    {
        return QStringList{row.title, row.status, row.statusColour, row.id, row.url, row.itemClass}
            .join('|');
    }
    static QString idsOf(DownloadTab& tab, const std::function<bool(const Row&)>& pick)
    {
        QStringList ids;
        for (const Row& row : rowsOf(tab))
            ids << (pick(row) ? row.id : QString());
        return ids.join(' ').simplified();
    }
    static void clickNode(DownloadTab& tab, const QString& key)
    {
        auto* tree = tab.findChild<QTreeWidget*>("tree");
        for (QTreeWidgetItemIterator node(tree); *node; ++node) {
            if (category::keyOf(*node) == key)
                emit tree->itemClicked(*node, 0);
        }
    }

    static QStringList shownRows(DownloadTab& tab)
    {
        QStringList rows;
        for (const Row& row : rowsOf(tab))
            rows << shown(row);
        return rows;
    }

    // "key=value;..." over the defaults: both programs, every row shown.
    void applySettings(const QString& overrides)
    {
        QSettings settings;
        settings.clear();
        setServiceBaseAddress(m_service.baseUrl());
        const QString defaults = "general/userik=true;general/usegrand=true;rik/key=123;rik/path=" +
                                 m_rik.path() + ";grand/keyserial=12345 abc;grand/keynumber=00077 "
                                 "xyz;grand/path=" + m_grand.path() + ';' + overrides;
        for (const QString& pair : defaults.split(';', Qt::SkipEmptyParts))
            settings.setValue(pair.section('=', 0, 0), pair.section('=', 1));
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setOrganizationName("ZelvinoraTest");
        test::DevServiceProcess::Config config;
        config.dataFile = ZV_CATALOGUE_ACCOUNT;
        config.record = true;
        config.filesDir = m_files.path();
        QVERIFY(m_service.start(config));
        // Installed: FER 5 with НР и СП of the service's minute, TER 3, WinRIK
        // 2.1.240408, the user file, Q4 2024 of Курская область, Q3 2023 of
        // СПб for Гранд-Смета, the resource endings record. The local endings
        // record and the СПб index file are a second older than the service's.
        test::WinRikFolderBuilder rik(m_rik.path());
        const auto dir = [&rik](const char* f) { return QString(rik.path(f) + "/").replace('/', '\\'); };
        VAR loc, res;
        loc.number = 7, res.number = 12, loc.nn = res.nn = 1;
        QVERIFY2(rik.writeInstal({{"FER", "FER2020", dir("BASES/FER_fer2020")},
                                  {"TER", "ter2001", dir("BASES/TER_ter2001")}}) &&
                     rik.writeNbIni("BASES/FER_fer2020", "5", "ФЕР") &&
                     rik.writeDealerIni("BASES/FER_fer2020", "2026-10-01 08:00") &&
                     rik.writeNbIni("BASES/TER_ter2001", "3", "ТЕР") &&
                     rik.writeFile("UTILS/Doc/LastChange.rtf", "{\\rtf1 WinRIK " + clientVersion.toLatin1() + "\\par\r\n}\r\n") &&
                     rik.writeFile("user.rik", "user", at("2026-11-20T09:30:15")) &&
                     rik.writeFile("IND/Государственные/Минстрой (РИМ) Зелвинора/Центральный федеральный "
                                   "округ/Курская область/ind_2412.dbf", "i", at("2024-11-01T10:00:00")) &&
                     rik.writeFile("SPB/IND/ind_2401.dbf", "i", at("2024-02-01T08:59:59")) &&
                     rik.writeEndingsTable("loc", {loc}) && rik.writeEndingsTable("res", {res}) &&
                     rik.writeEndingsRecordFile("loc", 7, at("2026-10-20T10:11:11")) &&
                     rik.writeEndingsRecordFile("res", 12, at("2026-09-01T08:00:30")),
                 qPrintable(rik.errorString()));
        QVERIFY(QDir().mkpath(m_grand.path() + "/Индексы/СПб_2023_3"));
    }

    void init()
    {
        applySettings({});
        QCoreApplication::setApplicationVersion(clientVersion);
        QDir(downloadCacheFolder()).removeRecursively();
        QDir(m_grand.path() + "/Индексы/ЦФО_2024_4").removeRecursively();
    }

    void everyRowOfAFullBuild()
    {
        DownloadTab tab(nullptr);
        // Requests that come while the build waits for the service (the
        // button again, a tab switch) must not empty the table beneath it.
        for (int i = 0; i < 3; ++i)
            QTimer::singleShot(0, &tab, [&tab] { tab.updateLicList(); });
        rebuild(tab);
        for (const Row& row : rowsOf(tab))
            QCOMPARE(row.colour, row.itemClass == "grandInd" ? "lightcyan" : "floralwhite");
        QCOMPARE(m_fullBuild = shownRows(tab), QStringList({
            "Обновление файла пользователя user.rik|Установлено|floralwhite|123|update/userszip/123.zip|rikUser",
            "РИК версия 2.1 2.1.240408|Установлено|aquamarine|2.1|update/winrik_2.1.zip|rik",
            "Индексы и ТЦ (4 квартал 2024 год к Центральный ФО)|Установлено|aquamarine|1|"
            "update/spb/rik_0cfo_2024_4.zip|rikInd",
            "Индексы и ТЦ (3 квартал 2024 год к Центральный ФО)|Доступно обновление|floralwhite|3|"
            "update/spb/rik_0cfo_2024_3.zip|rikInd",
            "Индексы и ТЦ (01 квартал 2024 год к ТСН СПб)|Доступно обновление|floralwhite|2|"
            "update/spb/rik_spb1_2024_01.zip|rikInd",
            "Индексы и ценники (03 квартал 2023 год к ТСН СПб)|Установлено|aquamarine|8|"
            "update_grand/grand_spb1_2023_03.zip|grandInd",
            "Индексы и ценники (4 квартал 2024 год к Центральный ФО)|Доступно обновление|lightcyan|7|"
            "update_grand/grand_0cfo_2024_4.zip|grandInd",
            "ФЕР-2020|Доступно обновление|floralwhite|fer2020|downloads/nb/spb/fer2020.zip|rikNB",
            "НР и СП к ФЕР-2020|Установлено|aquamarine|nrsp_fer2020|update/nrsp/nrsp_fer2020.zip|rikNRSP",
            "ТЕР-2001|Установлено|aquamarine|ter2001|downloads/nb/spb/ter2001.zip|rikNB",
            "МГН-2024|Доступно обновление|floralwhite|mgn2024|downloads/nb/spb/mgn2024.zip|rikNB",
            "НР и СП к МГН-2024|Доступно обновление|floralwhite|nrsp_mgn2024|update/nrsp/nrsp_mgn2024.zip|rikNRSP",
            "Концовка ФЕР (локальная)|Доступно обновление|floralwhite|loc_7|update/var/loc_7.dbf.zip|rikVarLoc",
            "Ресурсная концовка|Установлено|aquamarine|res_12|update/var/res_12.dbf.zip|rikVarRes",
            "Объектная сводка|Клиент не устанавливает||obj_3|update/var/obj_3.dbf.zip|"}));
        QStringList nodes;
        for (QTreeWidgetItemIterator node(tab.findChild<QTreeWidget*>("tree")); *node; ++node)
            nodes << QString((*node)->parent() ? " " : "") + (*node)->text(0);
        QCOMPARE(nodes.join(','), "Мои файлы, РИК, Индексы и ТЦ, Нормативные базы, НР и СП, Концовки, "
                                  "Локальные, Ресурсные, Гранд-Смета, Индексы и ТЦ");
        QStringList panels;
        for (auto* group : tab.findChildren<QGroupBox*>()) {
            panels << group->title();
            for (auto* label : group->findChildren<QLabel*>())
                panels << label->text();
        }
        QCOMPARE(panels.join('|'), "Подписки на ПК РИК до:|Обновление программы:|31.12.2026|Пакет \"Зелвинора\":|"
                                   "30.06.2026|Обновление БД ГСН:|31.03.2027|\"Индексы Минстроя РФ\":|15.01.2026|"
                                   "Подписки на Гранд-Смета до:|Обновление программы:|31.01.2027|Обновление БД ГСН:||"
                                   "Обновление БД \"ГРАНД-СтройМатериалы\":|31.12.2026");
        // Only an installed base is asked for its current version.
        QVERIFY(m_service.recordedStatements().contains(statements::baseVersion("fer2020")));
        QVERIFY(!m_service.recordedStatements().contains(statements::baseVersion("mgn2024")));
        // The next build keeps these rows until its own are there, shows that
        // it is busy and offers no action meanwhile; the installed bases'
        // versions are asked together, so it waits three times.
        const QString before = idsOf(tab, visible);
        QString during;
        QTimer probe;
        connect(&probe, &QTimer::timeout, &tab, [&] {
            if (!during.isEmpty() || !tab.findChild<QProgressBar*>("busyIndicator")->isVisible())
                return;
            during = idsOf(tab, visible) + " busy";
            for (const char* action : {"downloadButton", "installButton", "downloadAndInstallButton", "updateButton", "table"})
                during += tab.findChild<QWidget*>(action)->isEnabled() ? QString(" ") + action : "";
        });
        probe.start(0);
        tab.show();
        // Two records of one endings table on offer: the table is read once.
        QVERIFY(m_service.sql("INSERT INTO `current_var` (`number`, `type`, `name`) VALUES (8, 'loc', 'x')"));
        const int sent = m_service.recorded().size();
        test::LogCapture log;
        rebuild(tab);
        const int requests = m_service.recorded().size() - sent;
        QVERIFY(m_service.sql("DELETE FROM `current_var` WHERE `number` = 8"));
        QCOMPARE(log.lines().filter("getVar: endings table loc_all read, 1 records").size(), 1);
        QCOMPARE(during, before + " busy");
        QCOMPARE(QString("%1 waits, %2 requests").arg(tab.lastBuildWaits()).arg(requests),
                 "3 waits, 10 requests");
        QCOMPARE(idsOf(tab, visible), before + " loc_8");
        QVERIFY(!tab.findChild<QProgressBar*>("busyIndicator")->isVisible());
        QVERIFY(tab.findChild<QPushButton*>("downloadButton")->isEnabled());
        // Ticks stay with their items through a rebuild. Without the service
        // the rows on show stay as they were, and the tab says why.
        tick(rowsOf(tab).at(3), true);
        tick(rowsOf(tab).at(10), true);
        rebuild(tab);
        QCOMPARE(idsOf(tab, [](const Row& r) { return r.ticked; }), "3 mgn2024");
        auto* notice = tab.findChild<QLabel*>("notice");
        for (const QString& address : {QString("http://127.0.0.1:1/"), m_service.baseUrl()}) {
            setServiceBaseAddress(address);
            rebuild(tab);
            QCOMPARE(idsOf(tab, visible) + (notice->isVisible() ? " / " + notice->text() : ""),
                     before + (address.endsWith(":1/") ? " / Нет связи с сервисом дилера. Проверьте подключение к "
                                                         "интернету и нажмите «Обновить»." : ""));
        }
        QCOMPARE(idsOf(tab, [](const Row& r) { return r.ticked; }), "3 mgn2024");
    }

    // The dealer's side as a dealer runs it: the account in MariaDB, nginx
    // with TLS in front. The build lists the rows it lists from SQLite, over
    // HTTP/2 where offered and over HTTP/1.1 where not, every query answered.
    void sameRowsFromTheDealersDatabaseThroughAWebServer()
    {
        test::DevServiceProcess service;
        QVERIFY(service.start({true, ZV_CATALOGUE_ACCOUNT, "", "", 0, true, 0, true, true})); // recorded, MariaDB, nginx
        for (const bool http2 : {true, false}) {
            setServiceBaseAddress(service.frontUrl(http2));
            DownloadTab tab(nullptr);
            rebuild(tab);
            QCOMPARE(shownRows(tab), m_fullBuild);
            // Each build sends as many queries as the one before.
            QTRY_COMPARE(service.frontLog().count(http2 ? "HTTP/2.0 POST /api/ 200" : "HTTP/1.1 POST /api/ 200") * (http2 ? 1 : 2), service.recorded().size());
        }
    }

    // Each case: the rows left visible, those waiting for installation, and
    // the tray image the build chose.
    void filtersCacheAndFailures_data()
    {
        QTest::addColumn<Filter>("f");
        const QStringList none;
        QTest::newRow("category РИК") << Filter{"", none, "rik", "123 2.1 1 3 2 fer2020 nrsp_fer2020 "
                                                "ter2001 mgn2024 nrsp_mgn2024 loc_7 res_12 /  / new", none};
        QTest::newRow("category Концовки") << Filter{"", none, "rikVar", "loc_7 res_12 /  / new", none};
        QTest::newRow("only new, archives cached") << Filter{"general/onlynew=true",
            {"update/userszip/123.zip", "update/spb/rik_spb1_2024_01.zip", "update/spb/rik_0cfo_2024_4.zip",
             "downloads/nb/spb/fer2020.zip", "update/nrsp/nrsp_fer2020.zip", url7, "update/var/loc_7.dbf.zip"},
            "", "3 2 7 fer2020 mgn2024 nrsp_mgn2024 loc_7 / 123 2 7 fer2020 loc_7 / new", none};
        QTest::newRow("only new, category РИК")
            << Filter{"general/onlynew=true", none, "rik", "3 2 fer2020 mgn2024 nrsp_mgn2024 loc_7 /  / new", none};
        QTest::newRow("user file changed a second later")
            << Filter{"general/onlynew=true;rik/key=124", none, "", "124 7 loc_7 /  / new", none};
        QTest::newRow("user file without a change time")
            << Filter{"general/onlynew=true;rik/key=125", none, "", "7 loc_7 /  / new", none};
        QTest::newRow("WinRIK folder missing") << Filter{"general/onlynew=true;rik/path=/nonexistent",
            {"update/winrik_2.1.zip"}, "", "123 2.1 1 3 2 7 / 2.1 / new", {"installedRikVersion"}};
        // The service has lost its table of WinRIK keys: every statement that
        // reads it fails, those rows are gone, the others stay.
        QTest::newRow("WinRIK queries fail") << Filter{"general/onlynew=true;rik/key=abc", {"update/userszip/0.zip"},
            "", "7 loc_7 / 0 / new",
            {"addVersionUpdateRik", "getLicIndRik", "getLicNB", "isNewUser", "setSubscriptionInfo"}};
        QTest::newRow("Гранд-Смета only") << Filter{"general/userik=false", none, "rik", "8 7 /  / new", none};
        QTest::newRow("nothing new, only new")
            << Filter{"general/userik=false;general/onlynew=true;grand/keyserial=2;grand/keynumber=2", none, "",
                      " /  / nothing", none};
    }
    void filtersCacheAndFailures()
    {
        QFETCH(Filter, f);
        applySettings(f.settings);
        const bool keysLost = QByteArray(QTest::currentDataTag()) == "WinRIK queries fail";
        QVERIFY(!keysLost || m_service.sql("ALTER TABLE `ключи` RENAME TO `ключи_lost`"));
        const auto restore = qScopeGuard([&] { keysLost && m_service.sql("ALTER TABLE `ключи_lost` RENAME TO `ключи`"); });
        for (const QString& url : f.cached)
            QVERIFY(putInCache(url));
        MessageBoxCatcher boxes;
        test::LogCapture log;
        DownloadTab tab(nullptr);
        QSignalSpy trayImage(&tab, &DownloadTab::trayIconImageChanged);
        rebuild(tab);
        const QString built = idsOf(tab, visible);
        clickNode(tab, f.node);
        // The header ticks what is visible; hidden rows are left alone.
        auto* header = tab.findChild<QTableWidget*>("table")->horizontalHeader();
        emit header->sectionClicked(1);
        emit header->sectionClicked(0);
        QCOMPARE(idsOf(tab, [](const Row& r) { return r.ticked; }), idsOf(tab, visible));
        QCOMPARE(header->model()->headerData(0, Qt::Horizontal, Qt::DecorationRole).value<QIcon>()
                     .pixmap(16).toImage(), QIcon(":/checkon.ico").pixmap(16).toImage());
        QCOMPARE(trayImage.count(), 1);
        const bool isNew = trayImage.first().first() == ":/zelvinoraPAisNew.ico";
        const QString waiting = idsOf(tab, [](const Row& r) { return r.status == "Ожидает установки"; });
        QCOMPARE(idsOf(tab, visible) + " / " + waiting + (isNew ? " / new" : " / nothing"), f.seen);
        QStringList failed;
        for (const QString& line : log.lines().filter(QRegularExpression("^Error: \\w+:")))
            failed << line.section(':', 1, 1).trimmed();
        failed.removeDuplicates();
        failed.sort();
        QCOMPARE(failed, f.errors);
        QCOMPARE((boxes.titles() + boxes.texts()).join(": ").contains(QRegularExpression("^Ошибка доступа: .*\\), список "
                                                                                          "нормативных не обновлен!$")),
                 f.settings.contains("rik/path"));
        // A build ends with every category shown, whatever node was chosen.
        rebuild(tab);
        QCOMPARE(idsOf(tab, visible), built);
    }

    void newerClientIsListedAlone_data()
    {
        QTest::addColumn<QStringList>("versions"); // own, the service's, as the title shows it
        QTest::newRow("a day later") << QStringList{clientVersion, "2.1.240409", "2.1.240409"};
        QTest::newRow("a version later") << QStringList{"2.0.231231", "3.0.251231", "3.251231"};
    }
    void newerClientIsListedAlone()
    {
        QFETCH(QStringList, versions);
        QCoreApplication::setApplicationVersion(versions[0]);
        const QString setVersion = "UPDATE `currentProductVersion` SET `Version` = '%1' WHERE "
                                   "`ProductName` = 'zelvinoraPA'";
        QVERIFY(m_service.sql(setVersion.arg(versions[1])));
        applySettings("general/onlynew=true");
        // A setup program in the cache does not make the update "waiting".
        const QString setup = "downloads/accessories/zelvinorapasetup.exe";
        QVERIFY(putInCache(setup));
        DownloadTab tab(nullptr);
        QSignalSpy trayImage(&tab, &DownloadTab::trayIconImageChanged);
        rebuild(tab);
        QVERIFY(m_service.sql(setVersion.arg(clientVersion)));
        QStringList rows;
        for (const Row& row : rowsOf(tab))
            rows << shown(row) + (row.isNew && !row.hidden ? "" : " (hidden or not new)");
#ifdef Q_OS_WIN
        QCOMPARE(rows, QStringList("Личный кабинет Зелвинора " + versions[2] + "|Доступно обновление|"
                                   "floralwhite|zelvinoraPA|" + setup + "|zelvinoraPA"));
        QCOMPARE(trayImage.count(), 0);
#else
        // The package manager brings the client: a line of information above the usual rows.
        QCOMPARE(rows.takeFirst(), "Личный кабинет Зелвинора " + versions[2] + ": обновите пакет "
                                   "zelvinorapa|Есть новая версия||zelvinoraPA||zelvinoraPA (hidden or not new)");
        QCoreApplication::setApplicationVersion(clientVersion);
        rebuild(tab);
        QStringList usual;
        for (const Row& row : rowsOf(tab))
            usual << shown(row) + (row.isNew && !row.hidden ? "" : " (hidden or not new)");
        QVERIFY(usual.size() > 3);
        QCOMPARE(rows, usual);
#endif
    }

    // A quote in the key reaches the service as a quote; without an answer
    // no panel shows.
    void subscriptionPanels()
    {
        applySettings("general/userik=false;grand/keyserial=12345 o'k;grand/keynumber=1");
        DownloadTab quoted(nullptr);
        QCOMPARE(quoted.findChildren<QGroupBox*>().size(), 1);
        QCOMPARE(quoted.findChild<QGroupBox*>()->findChildren<QLabel*>().value(1)->text(), "29.02.2024");
        applySettings({});
        setServiceBaseAddress("http://127.0.0.1:1/");
        QVERIFY(DownloadTab(nullptr).findChildren<QGroupBox*>().isEmpty());
    }

    // Rows 3 (a WinRIK index) and 7 (a Гранд-Смета index) are new; only 7's
    // archive can be had. The ticked rows are hidden by the category chosen.
    // Each case: the ticked rows as the action left them, then row 7 as the
    // closing rebuild reads it again from the cache and the folders.
    void actions_data()
    {
        QTest::addColumn<Action>("a");
        QTest::newRow("download")
            << Action{"served", {"7"}, "downloadButton", "7 Ожидает установки aquamarine / Ожидает установки"};
        QTest::newRow("download missing on the service")
            << Action{"", {"3"}, "downloadButton", "3 Ошибка tomato / Доступно обновление", "Файл не найден на сервисе: "};
        QTest::newRow("install what waits")
            << Action{"cached", {"3", "7"}, "installButton",
                      "3 Доступно обновление floralwhite, 7 Установлено aquamarine / Установлено"};
        QTest::newRow("download and install") << Action{"served", {"3", "7"}, "downloadAndInstallButton",
                                                        "3 Ошибка tomato, 7 Установлено aquamarine / Установлено",
                                                        "Файл не найден на сервисе: "};
        QTest::newRow("install, nothing ticked") << Action{"", {}, "installButton", " / Доступно обновление"};
        // "Прервать" pressed while the download waits for the service: no error, no box.
        QTest::newRow("download and install, stopped")
            << Action{"served", {"7"}, "downloadAndInstallButton, stopButton", "7 Прервано  / Доступно обновление"};
        // Removed from the cache, so the next try downloads it afresh.
        QTest::newRow("install a damaged archive") << Action{"damaged", {"7"}, "installButton", "7 Ошибка tomato / Ошибка",
            "Архив повреждён: grand_0cfo_2024_4.zip. Файл удалён из папки загрузок: скачайте его заново"};
        // Shown with its size before, then only the rest is asked for (last: the range ends the table's requests).
        QTest::newRow("download what a part holds")
            << Action{"part", {"7"}, "downloadButton", "7 Ожидает установки aquamarine / Ожидает установки"};
    }
    void actions()
    {
        QFETCH(Action, a);
        test::ArchiveBuilder builder;
        builder.addFile("Индексы/ЦФО_2024_4/prices.dbf", "prices");
        QVERIFY(builder.write(m_files.filePath(url7)));
        const QByteArray zip = fileBytes(m_files.filePath(url7));
        QVERIFY(a.archive != "cached" || putInCache(url7, zip));
        QVERIFY(a.archive != "damaged" || putInCache(url7, "PK not a zip"));
        // The part's validator is the stand-in's ETag of the served file, with the whole size after it.
        const QFileInfo served(m_files.filePath(url7));
        const QByteArray etag = QString("\"%1-%2\"\n%3\n").arg(served.size(), 0, 16)
                                    .arg(served.lastModified().toMSecsSinceEpoch(), 0, 16).arg(served.size()).toLatin1();
        QVERIFY(a.archive != "part" || (putInCache(url7 + ".part", zip.left(100)) && putInCache(url7 + ".part.validator", etag)));
        QVERIFY(a.archive == "served" || a.archive == "part" || QFile::remove(m_files.filePath(url7)));
        MessageBoxCatcher boxes;
        DownloadTab tab(nullptr);
        rebuild(tab);
        QCOMPARE(rowsOf(tab).value(6).status, a.archive == "part" ? QString("Загружено 100 из %1 байт").arg(zip.size())
                                                                  : rowsOf(tab).value(6).status);
        for (const Row& row : rowsOf(tab))
            tick(row, a.ticked.contains(row.id));
        clickNode(tab, "rikVar");
        // The main window rebuilds when the user comes back to the tab; here
        // that happens while the action waits.
        QTimer::singleShot(0, &tab, [&tab] { tab.updateLicList(); });
        ActionOutcome after(tab);
        const QStringList buttons = a.button.split(", ");
        if (buttons.size() > 1)
            QTimer::singleShot(0, &tab, [&] { click(tab, buttons.at(1)); });
        click(tab, buttons.at(0));
        QStringList seen;
        for (const Row& row : after.rows) {
            if (a.ticked.contains(row.id))
                seen << row.id + ' ' + row.status + ' ' + row.statusColour + (row.ticked ? " ticked" : "");
        }
        const QString rebuilt = rowsOf(tab).value(6).status;
        if (a.seen.startsWith("7 Ожидает"))
            QCOMPARE(after.barText, QString("%1 из %1 байт").arg(zip.size()));
        QCOMPARE(seen.join(", ") + " / " + rebuilt, a.seen);
        // A failed item keeps saying why through the rebuild, and one box
        // at the end lists it with the same reason.
        QStringList reasons;
        for (const Row& row : rowsOf(tab))
            if (row.status == "Ошибка")
                reasons << "«" + row.title + "»: " + row.reason;
        QCOMPARE(reasons.size(), seen.filter(" Ошибка ").size());
        QCOMPARE(boxes.texts().size(), reasons.isEmpty() ? 0 : 1);
        for (const QString& reason : reasons) {
            QVERIFY2(reason.contains("»: " + a.reason), qPrintable(reason));
            QVERIFY2(boxes.texts().first().contains(reason), qPrintable(boxes.texts().first()));
        }
        QString range;
        for (const QJsonValue& request : m_service.recorded())
            range = request["method"].toString() == "GET" ? request["headers"]["Range"].toString() : range;
        QCOMPARE(range, a.archive == "part" ? "bytes=100-" : "");
        QCOMPARE(fileBytes(m_grand.path() + "/Индексы/ЦФО_2024_4/prices.dbf"),
                 seen.contains("7 Установлено aquamarine") ? "prices" : "");
        QCOMPARE(fileBytes(cachePathOf(url7)), rebuilt == "Ожидает установки" ? zip : "");
        QVERIFY(!QFile::exists(cachePathOf("update/spb/rik_0cfo_2024_3.zip")));
        for (auto* control : tab.findChildren<QWidget*>(QRegularExpression("Button$|^table$")))
            QVERIFY2(control->isEnabled() != (control->objectName() == "stopButton"),
                     qPrintable(control->objectName()));
    }
};

QTEST_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
