// Downloading one file of the service into the cache: where it lands, that a
// failure of any kind leaves nothing at the cache path, that nobody else's
// files or links are trusted, and what the progress text says.
#include "service/downloadcache.h"
#include "service/filedownload.h"
#include "service/serviceaddress.h"
#include "tests/support/cannedhttpserver.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zv;

namespace {
void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), qint64(content.size()));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything in a folder, temporary files of a download included.
QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

bool download(const QString& relativePath)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    FileDownload fileDownload;
    return fileDownload.run(manager, relativePath);
}

mode_t permissionsOf(const QString& path)
{
    struct stat info;
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return mode_t(-1);
    return info.st_mode & 07777;
}
} // namespace

class DownloadTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;
    QTemporaryDir m_files;

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        writeFile(m_files.filePath("update/userszip/123.zip"), QByteArray(300000, 'a'));
        writeFile(m_files.filePath("update/var/loc_7.dbf.zip"), "loc7");
        test::DevServiceProcess::Config config;
        config.filesDir = m_files.path();
        QVERIFY(m_service.start(config));
    }

    void init()
    {
        setServiceBaseAddress(m_service.baseUrl());
        QDir(downloadCacheFolder()).removeRecursively();
    }

    void cacheMirrorsServicePathInOwnerOnlyFolders()
    {
        test::LogCapture log;
        QVERIFY(download("update/userszip/123.zip"));
        const QString target = cachePathOf("update/userszip/123.zip");
        QCOMPARE(target, QDir::tempPath() + "/zelvinora/update/userszip/123.zip");
        QCOMPARE(readFile(target), QByteArray(300000, 'a'));
        for (const QString& folder : {downloadCacheFolder(), downloadCacheFolder() + "/update",
                                      downloadCacheFolder() + "/update/userszip"})
            QCOMPARE(permissionsOf(folder), mode_t(0700));
        QVERIFY(log.contains("Info", "Create directory: " + downloadCacheFolder() +
                                         "/update/userszip /true"));
        QVERIFY(log.contains("Info", "File is download: update/userszip/123.zip"));
        QCOMPARE(entriesOf(downloadCacheFolder() + "/update/userszip"), QStringList{"123.zip"});

        // An existing folder is not created again, nor logged.
        log.clear();
        QVERIFY(download("update/userszip/123.zip"));
        QVERIFY(!log.contains("Info", "Create directory: "));
    }

    void secondDownloadOverwrites()
    {
        writeFile(cachePathOf("update/var/loc_7.dbf.zip"), QByteArray(5000, 'o'));
        QVERIFY(download("update/var/loc_7.dbf.zip"));
        QCOMPARE(readFile(cachePathOf("update/var/loc_7.dbf.zip")), QByteArray("loc7"));
        QCOMPARE(entriesOf(downloadCacheFolder() + "/update/var"), QStringList{"loc_7.dbf.zip"});
    }

    void missingFileFailsAndWritesNothing()
    {
        test::LogCapture log;
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        FileDownload fileDownload;
        QSignalSpy received(&fileDownload, &FileDownload::received);
        QVERIFY(!fileDownload.run(manager, "update/userszip/999.zip"));
        QVERIFY(entriesOf(downloadCacheFolder() + "/update/userszip").isEmpty());
        QVERIFY(log.contains("Error", "downloadFile: "));
        QVERIFY(log.contains("Error", "Not Found"));
        QVERIFY(!log.contains("Info", "File is download: "));
        QCOMPARE(received.size(), 0);
    }

    void failedDownloadKeepsThePreviousFile()
    {
        writeFile(cachePathOf("update/userszip/999.zip"), "older copy");
        QVERIFY(!download("update/userszip/999.zip"));
        QCOMPARE(readFile(cachePathOf("update/userszip/999.zip")), QByteArray("older copy"));
        QCOMPARE(entriesOf(downloadCacheFolder() + "/update/userszip"), QStringList{"999.zip"});
    }

    void droppedConnectionLeavesNothing()
    {
        // Announces more bytes than it sends, then hangs up.
        test::CannedHttpServer peer("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" +
                                    QByteArray(40000, 'x'));
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        test::LogCapture log;
        QVERIFY(!download("update/userszip/123.zip"));
        QVERIFY(entriesOf(downloadCacheFolder() + "/update/userszip").isEmpty());
        QVERIFY(log.contains("Error", "downloadFile: "));
    }

    void unfollowedRedirectIsAFailure()
    {
        test::CannedHttpServer peer(
            "HTTP/1.1 302 Found\r\nLocation: http://elsewhere.invalid/x.zip\r\n"
            "Content-Length: 5\r\nConnection: close\r\n\r\nmoved");
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        test::LogCapture log;
        QVERIFY(!download("update/userszip/123.zip"));
        QVERIFY(entriesOf(downloadCacheFolder() + "/update/userszip").isEmpty());
        QVERIFY(log.contains("Error", "downloadFile: the service answered with status 302"));
        QCOMPARE(peer.requests().size(), 1);
        QVERIFY(peer.requests().first().startsWith("GET /update/userszip/123.zip HTTP/1.1\r\n"));
    }

    void folderThatCannotBeCreatedFails()
    {
        // A plain file where the folder should be.
        QVERIFY(QDir().mkpath(downloadCacheFolder()));
        writeFile(downloadCacheFolder() + "/update", "in the way");
        test::LogCapture log;
        QVERIFY(!download("update/userszip/123.zip"));
        QVERIFY(log.contains("Info", "Create directory: " + downloadCacheFolder() +
                                         "/update/userszip /false"));
        QCOMPARE(readFile(downloadCacheFolder() + "/update"), QByteArray("in the way"));
    }

    void relativePathsInsideTheCacheOnly_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << "update/userszip/123.zip" << true;
        QTest::newRow("dots that stay inside") << "update/./var/../var/loc_7.dbf.zip" << true;
        QTest::newRow("climbs out") << "../outside.zip" << false;
        QTest::newRow("climbs out deeper") << "update/../../outside.zip" << false;
        QTest::newRow("absolute") << "/etc/outside.zip" << false;
        QTest::newRow("drive letter") << "C:/outside.zip" << false;
        QTest::newRow("only dots") << "update/.." << false;
        QTest::newRow("empty") << "" << false;
    }

    void relativePathsInsideTheCacheOnly()
    {
        QFETCH(QString, path);
        QFETCH(bool, safe);
        QCOMPARE(isSafeRelativePath(path), safe);
    }

    void unsafePathIsRefusedBeforeAnyRequest()
    {
        test::CannedHttpServer peer(test::CannedHttpServer::okResponse("application/zip", "z"));
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl() + "update/");
        test::LogCapture log;
        QVERIFY(!download("../outside.zip"));
        QVERIFY(log.contains("Error", "downloadFile: refused a path that leaves the download "
                                      "cache: ../outside.zip"));
        QVERIFY(!QFileInfo::exists(QDir::tempPath() + "/outside.zip"));
        QVERIFY(!QFileInfo::exists(downloadCacheFolder()));
        QVERIFY(peer.requests().isEmpty());
    }

    void fullDiskFailsAndLeavesNoFile()
    {
        // A file-size limit stands in for a full disk: writes past it fail.
        struct rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 100000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        test::LogCapture log;
        const bool ok = download("update/userszip/123.zip");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY(!ok);
        QVERIFY(log.contains("Error", "Cannot write file: " +
                                          cachePathOf("update/userszip/123.zip")));
        QVERIFY(!log.contains("Info", "File is download: "));
        QVERIFY(entriesOf(downloadCacheFolder() + "/update/userszip").isEmpty());
    }

    void fullFileSystemFailsAndLeavesNoFile()
    {
        // A real full disk where one can be had: a small tmpfs as the
        // temporary folder.
        QTemporaryDir mountPoint;
        const QByteArray point = QFile::encodeName(mountPoint.path());
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=128k", "tmpfs",
                                        mountPoint.path()}) != 0)
            QSKIP("mounting a small tmpfs needs root");
        const QByteArray savedTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", point);
        test::LogCapture log;
        const bool ok = download("update/userszip/123.zip");
        const QStringList left = entriesOf(downloadCacheFolder() + "/update/userszip");
        qputenv("TMPDIR", savedTemp);
        QCOMPARE(QProcess::execute("umount", {mountPoint.path()}), 0);
        QVERIFY(!ok);
        QVERIFY(log.contains("Error", "Cannot write file: " + mountPoint.path() +
                                          "/zelvinora/update/userszip/123.zip"));
        QVERIFY(left.isEmpty());
    }

    void linkedCacheFolderIsRefused()
    {
        // A planted link in place of a cache folder must not redirect the write.
        QTemporaryDir elsewhere;
        QVERIFY(QDir().mkpath(downloadCacheFolder()));
        QVERIFY(QFile::link(elsewhere.path(), downloadCacheFolder() + "/update"));
        QVERIFY(!isTrustedCacheFile(cachePathOf("update/userszip/123.zip")));
        test::LogCapture log;
        QVERIFY(!download("update/userszip/123.zip"));
        QVERIFY(log.contains("Error", "downloadFile: refused a cache path"));
        QVERIFY(entriesOf(elsewhere.path()).isEmpty());
    }

    void linkedCacheFileIsRefused()
    {
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath("planted.zip"), "planted");
        QVERIFY(QDir().mkpath(downloadCacheFolder() + "/update/userszip"));
        const QString target = cachePathOf("update/userszip/123.zip");
        QVERIFY(QFile::link(elsewhere.filePath("planted.zip"), target));
        QVERIFY(!isCachedFile(target));
        QVERIFY(!download("update/userszip/123.zip"));
        QCOMPARE(readFile(elsewhere.filePath("planted.zip")), QByteArray("planted"));
        QVERIFY(QFileInfo(target).isSymLink());
    }

    void foreignFilesAreNotTrusted()
    {
        writeFile(cachePathOf("update/userszip/5.zip"), "own");
        QVERIFY(isCachedFile(cachePathOf("update/userszip/5.zip")));
        QVERIFY(!isCachedFile(cachePathOf("update/userszip/6.zip")));
        QVERIFY(isTrustedCacheFile(cachePathOf("update/userszip/6.zip")));
        QVERIFY(!isTrustedCacheFile("/etc/passwd"));
        if (geteuid() != 0)
            QSKIP("giving a file to another account needs root");

        const QString foreign = cachePathOf("update/userszip/123.zip");
        writeFile(foreign, "someone else's");
        QCOMPARE(chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        QVERIFY(!isCachedFile(foreign));
        QVERIFY(!download("update/userszip/123.zip"));
        QCOMPARE(readFile(foreign), QByteArray("someone else's"));

        // A foreign folder on the way is refused the same.
        const QString folder = downloadCacheFolder() + "/update/var";
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        QVERIFY(!isTrustedCacheFile(cachePathOf("update/var/loc_7.dbf.zip")));
        QVERIFY(!download("update/var/loc_7.dbf.zip"));
        QVERIFY(entriesOf(folder).isEmpty());
    }

    void progressEndsAtTheTotal()
    {
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        FileDownload fileDownload;
        QSignalSpy progress(&fileDownload, &FileDownload::progress);
        QSignalSpy received(&fileDownload, &FileDownload::received);
        QNetworkReply* inFlight = nullptr;
        QNetworkReply* seen = nullptr;
        connect(&fileDownload, &FileDownload::progress, this, [&] { seen = inFlight; });
        QVERIFY(fileDownload.run(manager, "update/userszip/123.zip", &inFlight));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toLongLong(), 300000);
        QCOMPARE(progress.last().at(1).toLongLong(), 300000);
        QCOMPARE(received.size(), 1);
        // The reply is visible while it runs and forgotten once released.
        QVERIFY(seen != nullptr);
        QCOMPARE(inFlight, nullptr);
    }

    void progressTexts_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("456 of 1000") << qint64(456) << qint64(1000) << "45.6%";
        QTest::newRow("1 of 3") << qint64(1) << qint64(3) << "33.3%";
        QTest::newRow("all") << qint64(1000) << qint64(1000) << "100%";
        QTest::newRow("5 of 1000") << qint64(5) << qint64(1000) << "0.5%";
        QTest::newRow("1 of 30000") << qint64(1) << qint64(30000) << "0.00%";
        QTest::newRow("nothing yet") << qint64(0) << qint64(1000) << "0%";
        QTest::newRow("beyond 32 bits") << qint64(3000000000LL) << qint64(6000000000LL) << "50%";
        QTest::newRow("unknown total, bytes") << qint64(512) << qint64(-1) << "512 байт";
        QTest::newRow("unknown total, kilobytes") << qint64(1536) << qint64(-1) << "1,5 КБ";
        QTest::newRow("unknown total, megabytes")
            << qint64(300 * 1024 * 1024 + 100 * 1024) << qint64(-1) << "300,1 МБ";
        QTest::newRow("unknown total, gigabytes") << qint64(5LL << 30) << qint64(-1) << "5,0 ГБ";
        QTest::newRow("zero total") << qint64(0) << qint64(0) << "0 байт";
    }

    void progressTexts()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(QString, text);
        QCOMPARE(progressText(received, total), text);
    }
};

QTEST_GUILESS_MAIN(DownloadTest)
#include "tst_download.moc"
