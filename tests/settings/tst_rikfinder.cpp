#include "settingstesthelpers.h"

#include "settings/findrikdialog.h"
#include "settings/hometab.h"
#include "settings/localvolumes.h"
#include "settings/rikfoldersearch.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using zv::test::childShowing;

// Searching the drives for WinRIK folders: which folders are offered, in
// which order, from which drives, and what the finder hands back. Also the
// settings host's tabs down the left side.
class RikFinderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

    // A root folder holding the given folders (and nothing else).
    QString rootWith(const QString& name, const QStringList& folders)
    {
        const QString root = m_work.filePath(name) + "/";
        QDir().mkpath(root);
        for (const QString& folder : folders)
            QDir().mkpath(root + folder);
        return root;
    }

    static QStringList buttonTexts(const FindRikDialog& dialog)
    {
        QStringList texts;
        for (const QRadioButton* button : dialog.findChildren<QRadioButton*>())
            texts.append(button->text());
        return texts;
    }

private slots:
    void initTestCase() { zv::test::prepareSettingsProcess(); }

    void onlyTopLevelFoldersNamedRikInAnyCaseAreFound()
    {
        const QString first = rootWith("c", {"WinRIK", "Programs/WinRIK", "Docs", "rik-old"});
        QFile file(first + "rik.txt");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString second = rootWith("d", {"Smeta_Rik"});

        QStringList found = zv::findRikFolders({first, m_work.filePath("missing") + "/", second});
        // Within one root the file system's order is not ours to fix.
        QCOMPARE(found.size(), 3);
        QCOMPARE(found.mid(0, 2).toSet(),
                 (QSet<QString>{first + "WinRIK", first + "rik-old"}));
        QCOMPARE(found.at(2), second + "Smeta_Rik");
        QVERIFY(zv::findRikFolders({}).isEmpty());
    }

    void finderOffersEachFolderUncheckedAndHandsBackTheChosenOne()
    {
        const QString first = rootWith("e", {"WinRIK"});
        const QString second = rootWith("f", {"RIK & Co"});
        FindRikDialog finder({first, second}, nullptr);
        finder.show();
        QCOMPARE(buttonTexts(finder), (QStringList{first + "WinRIK", second + "RIK && Co"}));
        for (QRadioButton* button : finder.findChildren<QRadioButton*>())
            QVERIFY(!button->isChecked());

        QSignalSpy chosen(&finder, &FindRikDialog::rikDir);
        QPushButton* choose = childShowing<QPushButton>(&finder, "Выбрать");
        QVERIFY(choose);
        choose->click();
        QCOMPARE(chosen.count(), 0);
        QVERIFY(!finder.isVisible());

        finder.show();
        finder.findChildren<QRadioButton*>().at(0)->click();
        finder.findChildren<QRadioButton*>().at(1)->click();
        choose->click();
        // The buttons exclude each other: only the last one picked is handed on,
        // with its "&" as the folder's own name has it.
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.at(0).at(0).toString(), second + "RIK & Co");
    }

    void finderWithNothingFoundSaysHowToGoOn()
    {
        FindRikDialog finder({rootWith("g", {"Program Files"})}, nullptr);
        QVERIFY(finder.findChildren<QRadioButton*>().isEmpty());
        QVERIFY(childShowing<QLabel>(&finder, "Не найдено подходящих папок, \n"
                                              "попробуйте указать на прямую испульзуя кнопку \"+\""));
        QVERIFY(childShowing<QLabel>(&finder, "Список возможных папок с ПК РИК:"));
        QSignalSpy chosen(&finder, &FindRikDialog::rikDir);
        childShowing<QPushButton>(&finder, "Выбрать")->click();
        QCOMPARE(chosen.count(), 0);
    }

    void fixedVolumesAreLocalDisksInOrder()
    {
        using zv::MountedVolume;
        const QList<MountedVolume> volumes = {
            {"/srv/data", "xfs", true, false},
            {"/", "overlay", true, false},
            {"/proc", "proc", true, false},
            {"/dev/shm", "tmpfs", true, false},
            {"/media/user/STICK", "vfat", true, true},
            {"/mnt/share", "nfs4", true, false},
            {"/mnt/cdrom", "iso9660", true, false},
            {"/home", "ext4", true, false},
            {"/mnt/broken", "ext4", false, false},
            {"/home/", "ext4", true, false},
        };
        QCOMPARE(zv::fixedVolumeRoots(volumes), (QStringList{"/", "/home/", "/srv/data/"}));
        QVERIFY(!zv::isFixedLocalVolume({"/", "ext4", false, false}));
    }

    void wineDrivesLeadToLocalFoldersOnce()
    {
        const QString dosdevices = m_work.filePath("wine/dosdevices");
        QVERIFY(QDir().mkpath(dosdevices));
        const QString drive = rootWith("wine/drive_c", {"WinRIK"});
        const QString elsewhere = rootWith("network", {});
        QVERIFY(QFile::link(drive, dosdevices + "/c:"));
        QVERIFY(QFile::link(elsewhere, dosdevices + "/n:"));
        QVERIFY(QFile::link(m_work.filePath("gone"), dosdevices + "/x:"));
        QVERIFY(QFile::link(drive, dosdevices + "/d::"));
        QVERIFY(QFile::link("/", dosdevices + "/z:"));

        const auto onFixedVolume = [&](const QString& folder) {
            return !folder.startsWith(QDir(elsewhere).canonicalPath());
        };
        const QStringList wine = zv::wineDriveRoots(dosdevices, onFixedVolume);
        QCOMPARE(wine, (QStringList{QDir(drive).canonicalPath() + "/", "/"}));
        // "/" is a mount point already; the drive z: leads there again.
        QCOMPARE(zv::withoutRepeats(QStringList{"/"} + wine),
                 (QStringList{"/", QDir(drive).canonicalPath() + "/"}));
    }

    void settingsHostHasItsPagesDownTheLeftWithTitlesReadingAcross()
    {
        HomeTab host;
        host.resize(800, 600);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QTabWidget* tabs = host.innerTabs();
        QCOMPARE(tabs->tabPosition(), QTabWidget::West);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), "Общие \nнастройки");
        QCOMPARE(tabs->tabText(1), "Настройки \nсоединения");
        // Side tabs turned across: wider than tall, as a top tab of two lines.
        const QRect tab = tabs->tabBar()->tabRect(0);
        QVERIFY2(tab.width() > tab.height(), qPrintable(QString("%1x%2").arg(tab.width()).arg(tab.height())));
        QVERIFY(tabs->tabBar()->tabRect(1).top() >= tab.bottom());
    }
};

QTEST_MAIN(RikFinderTest)
#include "tst_rikfinder.moc"
