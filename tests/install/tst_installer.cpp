#include "install/installer.h"

#include "install/dostext.h"
#include "install/installedstate.h"
#include "install/versions.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"
#include "tests/support/archivebuilder.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QtTest>
#include <QTextCodec>

using zv::Installer;
using zv::VAR;
using zv::test::ArchiveBuilder;
using zv::test::InstalRow;
using zv::test::LogCapture;
using zv::test::WinRikFolderBuilder;

namespace {

QByteArray windows1251(const QString& text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

QByteArray nbIni(const QString& number, const QString& name)
{
    return "[Version]\r\nNumber=" + number.toLatin1() + "\r\nName=" + windows1251(name) + "\r\n";
}

VAR endingsRecord(const QString& type, int number, int nn, const QString& name)
{
    VAR v;
    v.type = type;
    v.number = number;
    v.nn = nn;
    v.name = name;
    v.daNet = "1";
    return v;
}

} // namespace

// Every item class installed from a real archive in the download cache into
// a fixture WinRIK (or Гранд-Смета) folder, with real 7-Zip.
class InstallerTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        zv::test::enableTestMode();
        QVERIFY(QDir().mkpath(zv::downloadCacheFolder()));
    }

    void init()
    {
        m_folders.reset(new QTemporaryDir);
        QVERIFY(m_folders->isValid());
        m_rik = m_folders->filePath("Win RIK");
        m_grand = m_folders->filePath("Гранд-Смета");
        QVERIFY(QDir().mkpath(m_rik));
        QVERIFY(QDir().mkpath(m_grand));
        m_builder.reset(new WinRikFolderBuilder(m_rik));
        QVERIFY2(m_builder->writeInstal({}), qPrintable(m_builder->errorString()));
    }

    void missingArchiveFails()
    {
        Installer installer(m_rik, m_grand);
        QVERIFY(!installer.installFile(zv::cachePathOf("update/none/missing.zip"), "rikInd"));
    }

    void untrustedCacheFileIsRefused()
    {
        ArchiveBuilder builder;
        builder.addFile("IND/ind_2401.dbf", "index");
        const QString real = zv::cachePathOf("update/real/ind.zip");
        QVERIFY(builder.write(real));
        const QString link = zv::cachePathOf("update/real/link.zip");
        QFile::remove(link);
        QVERIFY(QFile::link(real, link));
        LogCapture log;
        Installer installer(m_rik, m_grand);
        QVERIFY(!installer.installFile(link, "rikInd"));
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(!QFileInfo::exists(m_rik + "/IND/ind_2401.dbf"));
        QVERIFY(log.contains("Error", link));
    }

    void rikIndicesLandBelowTheWinRikFolder()
    {
        const QString sub = "IND/Государственные/Минстрой (РИМ) Зелвинора/"
                            "Центральный федеральный округ/Курская область/ind_2412.dbf";
        ArchiveBuilder builder;
        builder.addFile(sub, "index");
        const QString archive = cached("update/rim/rik_0cfo_2024_4.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "rikInd"));
        QVERIFY(QFileInfo(m_rik + "/" + sub).isFile());
        QVERIFY(!QFileInfo::exists(archive));
        const QDateTime offered = QFileInfo(m_rik + "/" + sub).lastModified();
        QVERIFY(!zv::isNewIndexSet(m_rik, m_grand, "0CFO", "", 24, 4, offered));
        QVERIFY(zv::isNewIndexSet(m_rik, m_grand, "0cfo", "", 24, 4, offered.addSecs(60)));
    }

    void grandIndicesLandBelowTheGrandFolder()
    {
        ArchiveBuilder builder;
        builder.addFile("Индексы/kursk_2024_3/index.xml", "<i/>");
        const QString archive = cached("update_grand/grand_kursk_2024_3.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "grandInd"));
        QVERIFY(QFileInfo(m_grand + "/Индексы/kursk_2024_3/index.xml").isFile());
        QVERIFY(!QFileInfo::exists(m_rik + "/Индексы"));
        QVERIFY(!QFileInfo::exists(archive));
        QVERIFY(!zv::isNewIndexSet(m_rik, m_grand, "kursk", "Индексы/kursk_", 2024, 3,
                                   QDateTime::currentDateTime(), DataTypes::Grand));
    }

    void rikProgramVersionIsInstalled()
    {
        ArchiveBuilder builder;
        builder.addFile("UTILS/Doc/LastChange.rtf", "{\\rtf1\\ansi WinRIK 2.4.240315\\par}\r\n");
        builder.addFile("winrik.exe", "MZ");
        const QString archive = cached("update/rik/winrik_2.4.240315.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "rik"));
        QVERIFY(QFileInfo(m_rik + "/winrik.exe").isFile());
        QVERIFY(!QFileInfo::exists(archive));
        const zv::VersionMap offered{{"Version", 2.4f}, {"Year", 24}, {"Month", 3}, {"Day", 15}};
        QVERIFY(!zv::isNewVersion(zv::installedRikVersion(m_rik), offered));
    }

    void userFileLandsFlat()
    {
        ArchiveBuilder builder;
        builder.addFile("deep/folder of the dealer/user.rik", "customer");
        const QString archive = cached("update/user/12345/user.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "rikUser"));
        QFile user(m_rik + "/user.rik");
        QVERIFY(user.open(QIODevice::ReadOnly));
        QCOMPARE(user.readAll(), QByteArray("customer"));
        QVERIFY(!QFileInfo::exists(m_rik + "/deep/folder of the dealer/user.rik"));
        QVERIFY(!QFileInfo::exists(archive));
    }

    void normativeBaseAddsOneInstalRowThenRemovesIndexFiles()
    {
        ArchiveBuilder builder;
        builder.addFile("NB/Base_1234/nb.ini", nbIni("2.5", "Тестовая база"));
        builder.addFile("NB/Base_1234/tables.dbf", "t");
        const QString archive = cached("update/nb/base1234.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "rikNB"));
        QVERIFY(!QFileInfo::exists(archive));

        auto rows = instalRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].text("BAZ_"), QString("1234"));
        QCOMPARE(rows[0].text("DOP"), QString("G"));
        QCOMPARE(rows[0].text("VID"), QString("b"));
        const QString dir = QString(m_rik + "/NB/Base_1234/").replace('/', '\\');
        QCOMPARE(rows[0].text("DIR"), dir);
        QVERIFY(!rows[0].text("DIR").contains('/'));
        // The name lands as the nb.ini's own bytes.
        QCOMPARE(rows[0].text("NAIM"), QString::fromLatin1(windows1251("Тестовая база")));

        // The catalogue finds the base again, with its version: not new.
        zv::InstalledBaseList installed = zv::installedBaseList(m_rik);
        QVERIFY(!installed.accessFailed);
        QVERIFY(installed.bases.contains("1234"));
        QCOMPARE(installed.bases["1234"].version, 2.5f);

        // Reinstalled after the catalogue was rebuilt: no second row, the
        // base's index files go, its other files stay.
        QVERIFY(m_builder->writeFile("NB/Base_1234/tables.mdx", "i"));
        QVERIFY(m_builder->writeFile("NB/Base_1234/sub/TABLES.MDX", "i"));
        QVERIFY(m_builder->writeFile("NB/Other_5678/keep.mdx", "i"));
        const QString again = cached("update/nb/base1234.zip", builder);
        installer.setInstalledBases(installed.bases);
        QVERIFY(installer.installFile(again, "rikNB"));
        QCOMPARE(instalRows().size(), 1);
        QVERIFY(!QFileInfo::exists(m_rik + "/NB/Base_1234/tables.mdx"));
        QVERIFY(!QFileInfo::exists(m_rik + "/NB/Base_1234/sub/TABLES.MDX"));
        QVERIFY(QFileInfo(m_rik + "/NB/Base_1234/tables.dbf").isFile());
        QVERIFY(QFileInfo(m_rik + "/NB/Other_5678/keep.mdx").isFile());
        QVERIFY(!QFileInfo::exists(again));
    }

    void normativeBaseNameWithApostropheIsStoredAsItStands()
    {
        ArchiveBuilder builder;
        builder.addFile("NB/Base_0777/nb.ini", nbIni("1.0", "База 'Ремонт' №1"));
        const QString archive = cached("update/nb/base0777.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "rikNB"));
        const auto rows = instalRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].text("NAIM"), QString::fromLatin1(windows1251("База 'Ремонт' №1")));
        QVERIFY(!QFileInfo::exists(archive));
    }

    void normativeBaseWithoutItsFolderFailsAndKeepsTheArchive()
    {
        ArchiveBuilder builder;
        builder.addFile("NB/Somewhere_else/nb.ini", nbIni("1.0", "Чужая"));
        const QString archive = cached("update/nb/base9999.zip", builder);
        LogCapture log;
        Installer installer(m_rik, m_grand);
        QVERIFY(!installer.installFile(archive, "rikNB"));
        QVERIFY(QFileInfo(archive).isFile());
        QVERIFY(log.contains("Error", archive));
        QCOMPARE(instalRows().size(), 0);
    }

    void nrspStampsTheBaseWhoseFolderEndsInTheKey()
    {
        QVERIFY(m_builder->writeNbIni("NB/Base_abc", "3.0", "Первая"));
        QVERIFY(m_builder->writeNbIni("NB/Base_xyz", "3.0", "Вторая"));
        QVERIFY(m_builder->writeInstal(
            {InstalRow{"a", "ABC", QString(m_rik + "/NB/Base_abc/").replace('/', '\\')},
             InstalRow{"b", "xyz", QString(m_rik + "/NB/Base_xyz/").replace('/', '\\')}}));
        ArchiveBuilder builder;
        builder.addFile("NB/Base_abc/nrspcmnt.dbf", "nrsp");
        builder.addFile("NB/Base_abc/nrsp.dbf", "nrsp");
        const QString archive = cached("update/nrsp/nrsp_ABC.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "rikNRSP"));
        QVERIFY(!QFileInfo::exists(archive));

        const QDateTime stamp = QFileInfo(m_rik + "/NB/Base_abc/nrspcmnt.dbf").lastModified();
        QSettings dealer(m_rik + "/NB/Base_abc/dealer.ini", QSettings::IniFormat);
        QCOMPARE(dealer.value("nrspDate").toString(), stamp.toString("yyyy-MM-dd HH:mm"));
        QVERIFY(!QFileInfo::exists(m_rik + "/NB/Base_xyz/dealer.ini"));

        // The catalogue reads the date back for the base.
        const zv::InstalledBaseList installed = zv::installedBaseList(m_rik);
        QVERIFY(installed.bases.contains("abc"));
        QCOMPARE(installed.bases["abc"].nrspDate.toString("yyyy-MM-dd HH:mm"),
                 stamp.toString("yyyy-MM-dd HH:mm"));
    }

    void nrspCommentsInCapitalsAreFound()
    {
        QVERIFY(m_builder->writeNbIni("NB/BASE_DEF", "3.0", "Третья"));
        ArchiveBuilder builder;
        builder.addFile("NB/BASE_DEF/NRSPCMNT.DBF", "nrsp");
        const QString archive = cached("update/nrsp/nrsp_def.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(archive, "rikNRSP"));
        const QDateTime stamp = QFileInfo(m_rik + "/NB/BASE_DEF/NRSPCMNT.DBF").lastModified();
        QSettings dealer(m_rik + "/NB/BASE_DEF/dealer.ini", QSettings::IniFormat);
        QCOMPARE(dealer.value("nrspDate").toString(), stamp.toString("yyyy-MM-dd HH:mm"));
        QVERIFY(!QFileInfo::exists(archive));
    }

    void baseCodeInCapitalsFindsTheInstalledBase()
    {
        ArchiveBuilder builder;
        builder.addFile("NB/Base_AB12/nb.ini", nbIni("1.0", "Заглавная"));
        Installer installer(m_rik, m_grand);
        QVERIFY(installer.installFile(cached("update/nb/baseAB12.zip", builder), "rikNB"));
        QCOMPARE(instalRows().size(), 1);
        QCOMPARE(instalRows().first().text("BAZ_"), QString("AB12"));
        // The catalogue keys bases lower-cased; reinstalling must not add a row.
        installer.setInstalledBases(zv::installedBaseList(m_rik).bases);
        QVERIFY(installer.installFile(cached("update/nb/baseAB12.zip", builder), "rikNB"));
        QCOMPARE(instalRows().size(), 1);
    }

    void nrspWithoutItsBaseFailsAndKeepsTheArchive()
    {
        QVERIFY(m_builder->writeNbIni("NB/Base_abc", "3.0", "Первая"));
        ArchiveBuilder builder;
        builder.addFile("NB/Base_qqq/nrspcmnt.dbf", "nrsp");
        const QString archive = cached("update/nrsp/nrsp_qqq.zip", builder);
        LogCapture log;
        Installer installer(m_rik, m_grand);
        QVERIFY(!installer.installFile(archive, "rikNRSP"));
        QVERIFY(QFileInfo(archive).isFile());
        QVERIFY(log.contains("Error", archive));
        QVERIFY(!QFileInfo::exists(m_rik + "/NB/Base_abc/dealer.ini"));
    }

    void endingsRecordIsMergedFromTheNewestOffer()
    {
        QVERIFY(m_builder->writeEndingsTable(
            "res", {endingsRecord("res", 10, 1, "Десять"), endingsRecord("res", 42, 2, "Старая")}));
        ArchiveBuilder builder;
        builder.addFile("res_42.dbf", "record");
        const QString archive = cached("update/var/res_0042.dbf.zip", builder);
        VAR older = endingsRecord("res", 42, 0, "Устаревшая");
        VAR newest = endingsRecord("res", 42, 0, "Новая");
        VAR otherType = endingsRecord("loc", 42, 0, "Чужая");
        newest.lastChange = older.lastChange = QDateTime::currentDateTime().addSecs(-3600);
        Installer installer(m_rik, m_grand);
        installer.setOfferedEndings({older, newest, otherType});
        QVERIFY(installer.installFile(archive, "rikVarRes"));
        QVERIFY(!QFileInfo::exists(archive));
        QVERIFY(QFileInfo(zv::winrik::endingsRecordFile(m_rik, "res", 42)).isFile());

        zv::DbfDataSource source = zv::winrik::endingsSource(m_rik);
        QVERIFY(source.open());
        const auto rows = source.select("res_all", "NUM", 42);
        QVERIFY(rows);
        QCOMPARE(rows->size(), 1);
        QCOMPARE(zv::decodeDosText(rows->first().text("NAIM")), QString("Новая"));
        QVERIFY(!zv::isNewEndingsRecord(m_rik, newest));
    }

    void endingsFailuresKeepTheArchive_data()
    {
        QTest::addColumn<QString>("itemClass");
        QTest::addColumn<QString>("offeredType");
        QTest::addColumn<QString>("logged");
        QTest::newRow("no offered record") << "rikVarLoc" << "res" << "loc_0007.dbf.zip";
        QTest::newRow("table missing") << "rikVarLoc" << "loc"
                                       << "Oshibka dobavlenia koncovki v  loc_all.dbf. (";
    }
    void endingsFailuresKeepTheArchive()
    {
        QFETCH(QString, itemClass);
        QFETCH(QString, offeredType);
        QFETCH(QString, logged);
        ArchiveBuilder builder;
        builder.addFile("loc_7.dbf", "record");
        const QString archive = cached("update/var/loc_0007.dbf.zip", builder);
        LogCapture log;
        Installer installer(m_rik, m_grand);
        installer.setOfferedEndings({endingsRecord(offeredType, 7, 0, "Семь")});
        QVERIFY(!installer.installFile(archive, itemClass));
        QVERIFY(QFileInfo(archive).isFile());
        QVERIFY(log.contains("Error", logged));
        QVERIFY(!QFileInfo::exists(zv::winrik::pathBelow(m_rik, "sm_r/var/loc_all.dbf")));
    }

    void failedExtractionKeepsTheArchive_data()
    {
        QTest::addColumn<QString>("itemClass");
        for (const char* itemClass :
             {"rikInd", "grandInd", "rikNB", "rikNRSP", "rikVarRes", "rikUser", "rik"})
            QTest::newRow(itemClass) << QString(itemClass);
    }
    void failedExtractionKeepsTheArchive()
    {
        QFETCH(QString, itemClass);
        ArchiveBuilder builder;
        builder.addFile("IND/a.dbf", QByteArray(30000, 'a'));
        builder.addFile("IND/b.dbf", QByteArray(30000, 'b'));
        const QString archive = cached("update/damaged/res_0001.dbf.zip", builder);
        QVERIFY(ArchiveBuilder::damage(archive));
        LogCapture log;
        Installer installer(m_rik, m_grand);
        installer.setOfferedEndings({endingsRecord("res", 1, 0, "Один")});
        QVERIFY(!installer.installFile(archive, itemClass));
        QVERIFY(QFileInfo(archive).isFile());
        QVERIFY(log.contains("Error", "exit code"));
        QCOMPARE(instalRows().size(), 0);
    }

    void unknownClassKeepsTheArchive()
    {
        ArchiveBuilder builder;
        builder.addFile("IND/a.dbf", "a");
        const QString archive = cached("update/other/a.zip", builder);
        Installer installer(m_rik, m_grand);
        QVERIFY(!installer.installFile(archive, "rikind"));
        QVERIFY(!installer.installFile(archive, "something"));
        QVERIFY(QFileInfo(archive).isFile());
        QVERIFY(!QFileInfo::exists(m_rik + "/IND/a.dbf"));
    }

    void ownSetupThatCannotStartKeepsTheClient()
    {
        const QString setup = zv::cachePathOf("zelvinoraPA/setup.exe");
        QVERIFY(QDir().mkpath(QFileInfo(setup).absolutePath()));
        QFile file(setup);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a program");
        file.close();
        bool exited = false;
        Installer installer(m_rik, m_grand);
        installer.setClientExit([&exited] { exited = true; });
        QVERIFY(!installer.installFile(setup, "zelvinoraPA"));
        QVERIFY(!exited);
        QVERIFY(QFileInfo(setup).isFile());
    }

    void ownSetupStartsAndTheClientEnds()
    {
        const QString marker = m_folders->filePath("setup ran");
        const QString setup = zv::cachePathOf("zelvinoraPA/setup2.exe");
        QVERIFY(QDir().mkpath(QFileInfo(setup).absolutePath()));
        QFile file(setup);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                    | QFileDevice::ExeOwner));
        bool exited = false;
        Installer installer(m_rik, m_grand);
        installer.setClientExit([&exited] { exited = true; });
        QVERIFY(installer.installFile(setup, "zelvinoraPA"));
        QVERIFY(exited);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
    }

private:
    // Packs the archive into the download cache at its relative path.
    QString cached(const QString& relative, ArchiveBuilder& builder)
    {
        const QString archive = zv::cachePathOf(relative);
        if (!builder.write(archive))
            qWarning() << builder.errorString();
        return archive;
    }

    QVector<zv::DbfRecord> instalRows()
    {
        zv::DbfDataSource source = zv::winrik::instalSource(m_rik);
        if (!source.open())
            return {};
        return source.readAll(zv::winrik::instalTable).value_or(QVector<zv::DbfRecord>());
    }

    QScopedPointer<QTemporaryDir> m_folders;
    QScopedPointer<WinRikFolderBuilder> m_builder;
    QString m_rik;
    QString m_grand;
};

QTEST_GUILESS_MAIN(InstallerTest)
#include "tst_installer.moc"
