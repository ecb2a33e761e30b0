// Downloading one file of the service into the cache: where it lands, that a
// failure of any kind leaves nothing at the cache path, and what the progress
// text says.
#include "service/downloadcache.h"
#include "service/filedownload.h"
#include "service/serviceaddress.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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

bool download(const QString& relativePath)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    FileDownload fileDownload;
    return fileDownload.run(manager, relativePath);
}

// Announces more bytes than it sends, then hangs up.
class DroppingPeer : public QObject
{
public:
    bool listen()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->readAll();
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
                socket->write(QByteArray(40000, 'x'));
                socket->flush();
                socket->disconnectFromHost();
            });
        });
        return m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }

private:
    QTcpServer m_server;
};
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
                                      downloadCacheFolder() + "/update/userszip"}) {
            struct stat info;
            QCOMPARE(stat(QFile::encodeName(folder).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, mode_t(0700));
        }
        QVERIFY(log.contains("Info", "Create directory: " + downloadCacheFolder() +
                                         "/update/userszip /true"));
        QVERIFY(log.contains("Info", "File is download: update/userszip/123.zip"));
        // Nothing but the archive is left beside it.
        QCOMPARE(QDir(downloadCacheFolder() + "/update/userszip").entryList(QDir::Files),
                 QStringList{"123.zip"});
    }

    void secondDownloadOverwrites()
    {
        writeFile(cachePathOf("update/var/loc_7.dbf.zip"), QByteArray(5000, 'o'));
        QVERIFY(download("update/var/loc_7.dbf.zip"));
        QCOMPARE(readFile(cachePathOf("update/var/loc_7.dbf.zip")), QByteArray("loc7"));
    }

    void missingFileFailsAndWritesNothing()
    {
        test::LogCapture log;
        QVERIFY(!download("update/userszip/999.zip"));
        QVERIFY(!QFileInfo::exists(cachePathOf("update/userszip/999.zip")));
        QVERIFY(QDir(downloadCacheFolder() + "/update/userszip").entryList(QDir::Files).isEmpty());
        QVERIFY(log.contains("Error", "downloadFile: "));
    }

    void failedDownloadKeepsThePreviousFile()
    {
        writeFile(cachePathOf("update/userszip/999.zip"), "older copy");
        QVERIFY(!download("update/userszip/999.zip"));
        QCOMPARE(readFile(cachePathOf("update/userszip/999.zip")), QByteArray("older copy"));
    }

    void droppedConnectionLeavesNothing()
    {
        DroppingPeer peer;
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        QVERIFY(!download("update/userszip/123.zip"));
        QVERIFY(!QFileInfo::exists(cachePathOf("update/userszip/123.zip")));
        QVERIFY(QDir(downloadCacheFolder() + "/update/userszip").entryList(QDir::Files).isEmpty());
    }

    void unsafePathsAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("climbs out") << "../outside.zip";
        QTest::newRow("climbs out deeper") << "update/../../outside.zip";
        QTest::newRow("absolute") << "/etc/outside.zip";
        QTest::newRow("drive letter") << "C:/outside.zip";
        QTest::newRow("empty") << "";
    }

    void unsafePathsAreRefused()
    {
        QFETCH(QString, path);
        test::LogCapture log;
        QVERIFY(!download(path));
        QVERIFY(!QFileInfo::exists(QDir::tempPath() + "/outside.zip"));
        QVERIFY(log.contains("Error", "downloadFile: refused"));
        QVERIFY(isSafeRelativePath("update/./var/../var/loc_7.dbf.zip"));
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
        QVERIFY(log.contains("Error", "Cannot write file: "));
        QVERIFY(QDir(downloadCacheFolder() + "/update/userszip").entryList(QDir::Files).isEmpty());
    }

    void untrustedCachePathsAreRefused()
    {
        // A planted link in place of a cache folder must not redirect the write.
        QTemporaryDir elsewhere;
        QVERIFY(QDir().mkpath(downloadCacheFolder()));
        QVERIFY(QFile::link(elsewhere.path(), downloadCacheFolder() + "/update"));
        QVERIFY(!isTrustedCacheFile(cachePathOf("update/userszip/123.zip")));
        QVERIFY(!download("update/userszip/123.zip"));
        QVERIFY(QDir(elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

        QDir(downloadCacheFolder()).removeRecursively();
        writeFile(elsewhere.filePath("evil.zip"), "evil");
        QVERIFY(QDir().mkpath(downloadCacheFolder() + "/update/userszip"));
        QVERIFY(QFile::link(elsewhere.filePath("evil.zip"), cachePathOf("update/userszip/123.zip")));
        QVERIFY(!isCachedFile(cachePathOf("update/userszip/123.zip")));
        QVERIFY(!isTrustedCacheFile("/etc/passwd"));
        writeFile(cachePathOf("update/userszip/5.zip"), "own");
        QVERIFY(isCachedFile(cachePathOf("update/userszip/5.zip")));
    }

    void progressEndsAtTheTotal()
    {
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        FileDownload fileDownload;
        QSignalSpy progress(&fileDownload, &FileDownload::progress);
        QSignalSpy received(&fileDownload, &FileDownload::received);
        QVERIFY(fileDownload.run(manager, "update/userszip/123.zip"));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toLongLong(), 300000);
        QCOMPARE(progress.last().at(1).toLongLong(), 300000);
        QCOMPARE(received.size(), 1);
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
        QTest::newRow("unknown total") << qint64(1536) << qint64(-1) << "1.5 kB";
        QTest::newRow("zero total") << qint64(0) << qint64(0) << "0 bytes";
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
