// The road of every kind of update a customer is offered, once, through the
// client's own window: the catalogue against the stand-in service compared
// with a WinRIK and a Гранд-Смета folder holding part of the offer, every new
// item downloaded and installed in one action with real 7-Zip and real dBASE
// tables, then the folders, the tables, the cache and the catalogue that
// follows. The world and what it must look like afterwards lie in road/.
#include "app/mainwindow.h"
#include "install/processcheck.h"
#include "catalogue/downloadtab.h"
#include "install/dbfsource.h"
#include "install/dostext.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"
#include "service/serviceaddress.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/messageboxcatcher.h"
#include "tests/support/testfiles.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>
#include <QtWidgets>

using namespace zv;
using test::filesBelow;

namespace {
const QString road = qEnvironmentVariable("ZV_SOURCE_DIR") + "/tests/flow/road";
const QString fresh = ": Доступно обновление";

// Copies a folder, every file last modified at the given time.
bool copyTree(const QString& from, const QString& to, const QDateTime& modified)
{
    const QString stamp = "@" + QString::number(modified.toSecsSinceEpoch());
    return QDir().mkpath(to) && QProcess::execute("cp", {"-rT", from, to}) == 0 &&
           QProcess::execute("find", {to, "-type", "f", "-exec", "touch", "-d", stamp, "{}", "+"}) == 0;
}

// Every row as "title: status", sorted; ticks the new ones when asked.
QStringList rowsOf(DownloadTab& tab, bool tickNew = false)
{
    auto* table = tab.findChild<QTableWidget*>("table");
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QModelIndex title = table->model()->index(row, 0);
        rows << title.data().toString() + ": " + table->model()->index(row, 1).data().toString();
        if (tickNew)
            table->model()->setData(title, rows.last().endsWith(fresh) ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }
    rows.sort();
    return rows;
}

// The rows of a WinRIK table as described, sorted.
QStringList rowsOf(const QString& rik, const QString& table, const std::function<QString(const DbfRecord&)>& describe)
{
    DbfDataSource source = table == winrik::instalTable ? winrik::instalSource(rik) : winrik::endingsSource(rik);
    QStringList rows;
    for (const DbfRecord& record : source.open() ? source.readAll(table).value_or(QVector<DbfRecord>()) : QVector<DbfRecord>())
        rows << describe(record);
    rows.sort();
    return rows;
}
} // namespace

class UpdateRoadTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;
    QTemporaryDir m_root; // winrik/, grand/, files/ (served by the stand-in) and staging/
    // When the archives' files were last changed, in whole minutes, as a date written from one reads back.
    const QDateTime m_packed = QDateTime::currentDateTime().addSecs(-QTime::currentTime().second() - 60);

    QString rik(const QString& relative = QString()) const { return m_root.filePath("winrik/" + relative); }
    // A folder below the WinRIK one as the INSTAL table names it.
    QString rikDir(const QString& relative) const { return rik(relative).replace('/', '\\'); }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QCoreApplication::setOrganizationName("ZelVinora");
        QCoreApplication::setApplicationName("Личный кабинет Зелвинора");
        QCoreApplication::setApplicationVersion("2.1.240408");
        installSettingsFormat();
        // Copies of the client started by other tests on this machine must not end the window.
        setProcessProbe([](const QString&) { return false; });

        test::DevServiceProcess::Config config;
        config.demo = false;
        config.filesDir = m_root.filePath("files");
        QVERIFY(m_service.start(config));
        setServiceBaseAddress(m_service.baseUrl());
        for (const QString& statement : QString::fromUtf8(filesBelow(road).value("account.sql")).split(";\n", Qt::SkipEmptyParts))
            QVERIFY(m_service.sql(statement));

        QVERIFY(copyTree(road + "/winrik", rik(), QDateTime::currentDateTime().addDays(-30)));
        QVERIFY(copyTree(road + "/grand", m_root.filePath("grand"), QDateTime::currentDateTime()));
        test::WinRikFolderBuilder builder(rik());
        const VAR old{7, 1, "", "Старая локальная"}, kept{5, 1, "", "Ресурсная концовка прежняя"}, later{20, 2, "", "Ресурсная поздняя"};
        QVERIFY2(builder.writeInstal({{"ФЕР-2020", "fr20", rikDir("NB/FR20_fr20/")},
                                      {"ГЭСН-2022", "gs22", rikDir("NB/GS22_gs22/")}}) &&
                     builder.writeEndingsTable("loc", {old}) && builder.writeEndingsTable("res", {kept, later}),
                 qPrintable(builder.errorString()));

        QVERIFY(copyTree(road + "/archives", m_root.filePath("staging"), m_packed));
        for (QDirIterator it(m_root.filePath("staging"), {"*.zip"}, QDir::Dirs, QDirIterator::Subdirectories); it.hasNext();) {
            QProcess packer;
            packer.setEnvironment(QProcess::systemEnvironment() << "LC_ALL=C.UTF-8");
            packer.setWorkingDirectory(it.next());
            packer.start("7za", {"a", "-tzip", m_root.filePath("files") + it.filePath().mid(m_root.filePath("staging").size()), "*"});
            QVERIFY(packer.waitForFinished(60000) && packer.exitCode() == 0);
        }

        QSettings store;
        const QMap<QString, QVariant> customer{{keys::generalOnlyNew, false}, {keys::generalUseRik, true},
            {keys::generalUseGrand, true}, {keys::rikKey, "123"}, {keys::rikPath, rik()}, {keys::grandKeySerial, "12345 abc"},
            {keys::grandKeyNumber, "00077 xyz"}, {keys::grandPath, m_root.filePath("grand")}};
        for (const auto& [key, value] : keys::firstRunDefaults())
            store.setValue(key, customer.value(key, value));
    }

    void everyNewItemIsDownloadedAndInstalled()
    {
        MessageBoxCatcher boxes;
        MainWindow window;
        window.show();
        QVERIFY(window.downloadTab());
        QStringList before = QString::fromUtf8(filesBelow(road).value("catalogue.txt")).split('\n', Qt::SkipEmptyParts);
        before.sort();
        QTRY_COMPARE_WITH_TIMEOUT(rowsOf(*window.downloadTab()), before, 60000);

        rowsOf(*window.downloadTab(), true);
        window.downloadTab()->findChild<QPushButton*>("downloadAndInstallButton")->click();
        // The rebuild that closes the action compares every item with the disk again.
        const QStringList after = before.replaceInStrings(fresh, ": Установлено");
        QTRY_COMPARE_WITH_TIMEOUT(rowsOf(*window.downloadTab()), after, 120000);
        QCOMPARE(boxes.texts(), QStringList());
    }

    void theFoldersHoldEveryUpdate()
    {
        for (const QString folder : {"winrik", "grand"}) {
            QMap<QString, QByteArray> files = filesBelow(m_root.filePath(folder));
            const QMap<QString, QByteArray> expected = filesBelow(road + "/expected/" + folder);
            // The dBASE tables and the dealer.ini stamped at install time are read back below.
            for (const QString& other : {"NB/GS22_gs22/dealer.ini", "sm_r/INSTAL.DBF", "sm_r/var/loc_all.dbf", "sm_r/var/res_all.dbf"})
                files.remove(other);
            QCOMPARE(files.keys(), expected.keys());
            for (const QString& path : expected.keys())
                QVERIFY2(files.value(path) == expected.value(path), qPrintable(folder + "/" + path));
        }
        QCOMPARE(filesBelow(downloadCacheFolder()).keys(), QStringList());
    }

    void theTablesHoldEveryUpdate()
    {
        // The НР и СП date is that of the unpacked comments file.
        QCOMPARE(QSettings(rik("NB/GS22_gs22/dealer.ini"), QSettings::IniFormat).value("nrspDate").toString(),
                 m_packed.toString("yyyy-MM-dd HH:mm"));
        // A base installed again is not registered twice; a new one goes in with its nb.ini's name bytes.
        const auto instal = [](const DbfRecord& row) {
            const QStringList columns{row.text("BAZ_"), row.text("VID"), row.text("DOP"), row.text("DIR"), row.text("NAIM")};
            return columns.first() == "tr01" ? columns.join('|') : columns.first();
        };
        const QByteArray ter = QTextCodec::codecForName("Windows-1251")->fromUnicode("ТЕР-2001 Курская область");
        QCOMPARE(rowsOf(rik(), winrik::instalTable, instal),
                 (QStringList{"fr20", "gs22", "tr01|b|G|" + rikDir("NB/TR01_tr01/") + "|" + QString::fromLatin1(ter)}));
        // An outdated ending is overwritten in place; a new one takes the place of the first row it moves down.
        const auto ending = [](const DbfRecord& row) {
            const VAR var = readVar(row);
            return QStringList{QString::number(var.number), QString::number(var.nn), decodeDosText(var.name).trimmed(),
                               var.baze_4.trimmed(), var.LIMZTRFILE.trimmed(), var.KONZ_ID.trimmed()}.join('|');
        };
        QCOMPARE(rowsOf(rik(), winrik::endingsTable("loc"), ending), QStringList{"7|1|Концовка локальная ФЕР|1||"});
        QCOMPARE(rowsOf(rik(), winrik::endingsTable("res"), ending),
                 (QStringList{"12|1|Ресурсная концовка 2026|0|limz.dbf|R12", "20|3|Ресурсная поздняя|||",
                              "5|2|Ресурсная концовка прежняя|||"}));
    }
};

QTEST_MAIN(UpdateRoadTest)
#include "tst_updateroad.moc"
