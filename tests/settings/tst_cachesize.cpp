#include "settingstesthelpers.h"

#include "service/downloadcache.h"
#include "settings/cachesize.h"
#include "settings/setgeneral.h"
#include "tests/support/logcapture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeFile(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(QByteArray(int(size), 'x')) == size;
}

} // namespace

// The download cache on the general page: its size as shown, and clearing it.
class CacheSizeTest : public QObject
{
    Q_OBJECT

private:
    QString cacheFile(const QString& relative) const
    {
        return zv::downloadCacheFolder() + "/" + relative;
    }

    static QString sizeLabelOf(SetGeneral& page)
    {
        return page.findChild<QLabel*>(QStringLiteral("cacheSize"))->text();
    }

private slots:
    void initTestCase() { zv::test::prepareSettingsProcess(); }
    void init() { zv::test::resetStoreAndCache(); }

    void byteCountsReadInTheLargestUnitReached_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << qint64(0) << "0 B";
        QTest::newRow("last whole bytes") << qint64(1023) << "1023 B";
        QTest::newRow("one kilobyte") << qint64(1024) << "1 KB";
        QTest::newRow("one and a half") << qint64(1536) << "1.5 KB";
        QTest::newRow("three digits kept") << qint64(1100) << "1.07 KB";
        QTest::newRow("kilobytes in exponent form") << qint64(1048064) << "1.02e+03 KB";
        QTest::newRow("last kilobytes") << qint64(1048575) << "1.02e+03 KB";
        QTest::newRow("one megabyte") << qint64(1048576) << "1 MB";
        QTest::newRow("megabytes") << qint64(5 * 1048576 + 262144) << "5.25 MB";
        QTest::newRow("last megabytes") << qint64(1073741823) << "1.02e+03 MB";
        QTest::newRow("one gigabyte") << qint64(1073741824) << "1 GB";
        QTest::newRow("above four gigabytes") << qint64(5) * 1073741824 << "5 GB";
        QTest::newRow("terabytes stay gigabytes") << qint64(2048) * 1073741824 << "2.05e+03 GB";
    }
    void byteCountsReadInTheLargestUnitReached()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(zv::byteCountText(bytes), text);
        QCOMPARE(zv::cacheSizeLabelText(bytes), "Размер кэша: " + text);
    }

    void folderSizeCountsSubFoldersButNotLinks()
    {
        QTemporaryDir outside;
        QVERIFY(writeFile(outside.filePath("big.bin"), 50000));

        const QString root = zv::downloadCacheFolder();
        QVERIFY(writeFile(root + "/a.7z", 100));
        QVERIFY(writeFile(root + "/rik/ind/b.7z", 200));
        QVERIFY(writeFile(root + "/rik/.hidden", 7));
        QVERIFY(QDir().mkpath(root + "/empty"));
        QVERIFY(QFile::link(outside.filePath("big.bin"), root + "/linked.bin"));
        QVERIFY(QFile::link(outside.path(), root + "/linkedfolder"));

        QCOMPARE(zv::folderSize(root), qint64(307));
        QCOMPARE(zv::folderSize(root + "/"), qint64(307));
        QCOMPARE(zv::folderSize(root + "/missing"), qint64(0));
        QCOMPARE(zv::folderSize(QString()), qint64(0));
    }

    void pageShowsTheCacheSizeOnlyForTheFirstTab()
    {
        SetGeneral page;
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 0 B");

        QVERIFY(writeFile(cacheFile("x/one.7z"), 1000));
        QVERIFY(writeFile(cacheFile("two.7z"), 23));
        page.updateCacheSize(1);
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 0 B");
        page.updateCacheSize(0);
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 1023 B");

        QVERIFY(writeFile(cacheFile("three.7z"), 1));
        page.updateCacheSize();
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 1 KB");
    }

    void cacheAboveTwoGibibytesShowsInGigabytes()
    {
        // A sparse file: the size counts, no disk space is taken.
        QVERIFY(QDir().mkpath(zv::downloadCacheFolder()));
        QFile big(cacheFile("setup.7z"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(qint64(5) * 1024 * 1024 * 1024 / 2));
        big.close();

        SetGeneral page;
        page.updateCacheSize(0);
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 2.5 GB");
    }

    void clearingRemovesTheFolderAndShowsZero()
    {
        QVERIFY(writeFile(cacheFile("rik/ind/a.7z"), 4096));
        SetGeneral page;
        page.updateCacheSize(0);
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 4 KB");

        zv::test::LogCapture log;
        QPushButton* clear = zv::test::childShowing<QPushButton>(&page, "Очистить кэш");
        QVERIFY(clear);
        clear->click();
        QVERIFY(!QFileInfo::exists(zv::downloadCacheFolder()));
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 0 B");
        QVERIFY(!log.contains("Error", "Pri ochistke"));

        // Nothing left to clear is no failure either.
        QVERIFY(page.clearCacheFolder());
    }

    void failedClearingIsLoggedAndLeavesTheLabel()
    {
        QVERIFY(writeFile(cacheFile("kept.7z"), 2048));
        SetGeneral page;
        page.updateCacheSize(0);
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 2 KB");

        // A plain file where the folder belongs cannot be deleted as a folder.
        QVERIFY(QDir(zv::downloadCacheFolder()).removeRecursively());
        QVERIFY(writeFile(zv::downloadCacheFolder(), 10));

        zv::test::LogCapture log;
        QVERIFY(!page.clearCacheFolder());
        QVERIFY(log.contains("Error", "Pri ochistke casha vosnikli problemi"));
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 2 KB");
        QVERIFY(QFileInfo(zv::downloadCacheFolder()).isFile());
        QFile::remove(zv::downloadCacheFolder());
    }

    void plantedLinkInPlaceOfTheCacheIsNeitherCountedNorCleared()
    {
        // Another account's files, linked in where the cache folder belongs.
        QTemporaryDir elsewhere;
        QVERIFY(writeFile(elsewhere.filePath("documents/estimate.xls"), 5000));
        QVERIFY(QDir(zv::downloadCacheFolder()).removeRecursively());
        QVERIFY(QFile::link(elsewhere.path(), zv::downloadCacheFolder()));

        SetGeneral page;
        page.updateCacheSize(0);
        QCOMPARE(sizeLabelOf(page), "Размер кэша: 0 B");

        zv::test::LogCapture log;
        zv::test::childShowing<QPushButton>(&page, "Очистить кэш")->click();
        QVERIFY(QFileInfo(elsewhere.filePath("documents/estimate.xls")).isFile());
        QVERIFY(QFileInfo(zv::downloadCacheFolder()).isSymLink());
        QVERIFY(log.contains("Error", "clearCacheFolder: "));
        QVERIFY(log.contains("Error", "Pri ochistke casha vosnikli problemi"));
        QFile::remove(zv::downloadCacheFolder());
    }

    void folderTreeRemovalRefusesPathsThatNameTheWorkingFolder()
    {
        QTemporaryDir work;
        QVERIFY(writeFile(work.filePath("keep.txt"), 3));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        zv::test::LogCapture log;
        QVERIFY(!zv::removeFolderTree(QString()));
        QVERIFY(!zv::removeFolderTree(QStringLiteral(".")));
        QVERIFY(!zv::removeFolderTree(QStringLiteral("sub/")));
        QDir::setCurrent(before);
        QVERIFY(QFileInfo::exists(work.filePath("keep.txt")));
        QVERIFY(log.contains("Error", "removeFolderTree: "));
    }
};

QTEST_MAIN(CacheSizeTest)
#include "tst_cachesize.moc"
