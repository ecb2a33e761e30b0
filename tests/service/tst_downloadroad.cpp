// What survives a broken road to the service: a transfer cut at half goes on
// from where it stopped (only for the same version of the file), a volume
// without room is refused before a byte is written, a quit or "Прервать"
// leaves no file at the cache path, and only a certificate the client trusts
// for the service's host lets a statement out.
#include "service/actionstop.h"
#include "service/downloadcache.h"
#include "service/filedownload.h"
#include "service/serviceaddress.h"
#include "service/serviceexchange.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSslConfiguration>
#include <QStorageInfo>
#include <QtTest>

using namespace zv;

namespace {
const QString relativePath = QStringLiteral("update/userszip/123.zip");

QByteArray pattern(int size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i % 251);
    return bytes;
}

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

struct Outcome
{
    bool ok;
    QString reason;
};

Outcome download(ActionStop* stop = nullptr, std::function<void()> onProgress = {},
                 int stallSeconds = FileDownload::defaultStallSeconds)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    FileDownload fileDownload;
    fileDownload.setStallSeconds(stallSeconds);
    fileDownload.setStop(stop);
    if (onProgress)
        QObject::connect(&fileDownload, &FileDownload::progress, onProgress);
    const bool ok = fileDownload.run(manager, relativePath);
    return {ok, fileDownload.failureReason()};
}

// The Range header of every file request the stand-in received, "" for none.
QStringList rangesAsked(const test::DevServiceProcess& service)
{
    QStringList ranges;
    for (const QJsonValue& request : service.recorded()) {
        if (request["method"].toString() == "GET")
            ranges << request["headers"]["Range"].toString();
    }
    return ranges;
}
} // namespace

class DownloadRoadTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    const QByteArray m_original = pattern(200000, 'a');

    bool startService(test::DevServiceProcess& service, const QStringList& extra)
    {
        test::DevServiceProcess::Config config;
        config.filesDir = m_files.path();
        config.record = true;
        config.extraArguments = extra;
        if (!service.start(config))
            return false;
        setServiceBaseAddress(service.baseUrl());
        return true;
    }

private slots:
    void initTestCase() { test::enableTestMode(); }

    void init()
    {
        QDir(downloadCacheFolder()).removeRecursively();
        writeFile(m_files.filePath(relativePath), m_original);
    }

    void cutTransferGoesOnFromWhereItStopped_data()
    {
        QTest::addColumn<QString>("between");
        QTest::addColumn<QByteArray>("onService");
        QTest::addColumn<QString>("rangeAsked");
        QTest::newRow("same version: only the rest") << "" << m_original << "bytes=100000-";
        // The service then answers the whole new file with 200.
        QTest::newRow("file changed on the service")
            << "replace" << pattern(300000, 'q') << "bytes=100000-";
        QTest::newRow("validator lost: the part is dropped") << "forget" << m_original << "";
        QTest::newRow("stalled: kept, then only the rest") << "stall" << m_original << "bytes=100000-";
    }

    void cutTransferGoesOnFromWhereItStopped()
    {
        QFETCH(QString, between);
        QFETCH(QByteArray, onService);
        QFETCH(QString, rangeAsked);
        const QString target = cachePathOf(relativePath);
        {
            test::DevServiceProcess cutting;
            const bool stall = between == "stall";
            QVERIFY(startService(cutting, {stall ? "--stall-after" : "--cut-after", "100000"}));
            const Outcome cut = download(nullptr, {}, stall ? 2 : FileDownload::defaultStallSeconds);
            QVERIFY(!cut.ok && !cut.reason.isEmpty());
            QCOMPARE(cut.reason.startsWith("Сервис не присылает данные 2 секунд"), stall);
            QVERIFY(!QFileInfo::exists(target));
            QCOMPARE(readFile(target + ".part"), m_original.left(100000));
        }
        if (between == "replace")
            writeFile(m_files.filePath(relativePath), onService);
        if (between == "forget")
            QVERIFY(QFile::remove(target + ".part.validator"));

        test::DevServiceProcess whole;
        QVERIFY(startService(whole, {}));
        const Outcome resumed = download();
        QVERIFY2(resumed.ok, qPrintable(resumed.reason));
        QCOMPARE(resumed.reason, QString());
        QCOMPARE(readFile(target), onService);
        QCOMPARE(rangesAsked(whole), QStringList{rangeAsked});
        QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files), QStringList{"123.zip"});
    }

    void volumeWithoutRoomIsRefusedBeforeWriting()
    {
        // A sparse file announces more than the test's volume holds.
        const qint64 huge = 15LL << 40;
        QFile sparse(m_files.filePath(relativePath));
        if (!sparse.resize(huge) || QStorageInfo(QDir::tempPath()).bytesAvailable() >= huge)
            QSKIP("this file system cannot hold a sparse file larger than its free space");
        test::DevServiceProcess service;
        QVERIFY(startService(service, {}));
        test::LogCapture log;
        const Outcome outcome = download();
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.reason.startsWith("Недостаточно места на диске: нужно 15 ТБ, свободно "),
                 qPrintable(outcome.reason));
        QVERIFY(log.contains("Error", "Cannot write file: " + cachePathOf(relativePath)));
        QCOMPARE(QDir(downloadCacheFolder() + "/update/userszip").entryList(QDir::Files),
                 QStringList());
    }

    void stoppedTransferLeavesOnlyItsPart_data()
    {
        QTest::addColumn<bool>("byQuit");
        QTest::addColumn<QString>("reason");
        QTest::newRow("Прервать") << false << ActionStop::byUserReason();
        QTest::newRow("the client quits") << true << "Загрузка прервана до завершения";
    }

    void stoppedTransferLeavesOnlyItsPart()
    {
        QFETCH(bool, byQuit);
        QFETCH(QString, reason);
        writeFile(m_files.filePath(relativePath), pattern(64 << 20, 'z'));
        test::DevServiceProcess service;
        QVERIFY(startService(service, {}));
        ActionStop stop;
        const Outcome outcome = download(&stop, [&] {
            if (byQuit)
                QCoreApplication::exit(0);
            else
                stop.request(ActionStop::byUserReason());
        });
        // The quit ends every event loop; the next main loop starts afresh.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.reason, reason);
        QVERIFY(!QFileInfo::exists(cachePathOf(relativePath)));
        QVERIFY(QFileInfo(cachePathOf(relativePath) + ".part").size() < (64 << 20));
    }

    void onlyTrustedCertificateForThisHostIsAccepted_data()
    {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("signed by the trusted authority") << "good" << true;
        QTest::newRow("self-signed") << "selfsigned" << false;
        QTest::newRow("expired") << "expired" << false;
        QTest::newRow("another host's") << "otherhost" << false;
    }

    void onlyTrustedCertificateForThisHostIsAccepted()
    {
        QFETCH(QString, certificate);
        QFETCH(bool, accepted);
        static QTemporaryDir authority;
        if (!QFileInfo::exists(authority.filePath("ca.pem"))) {
            QCOMPARE(QProcess::execute("sh", {qEnvironmentVariable("ZV_SOURCE_DIR") +
                                                  "/tests/service/maketestauthority.sh",
                                              authority.path()}),
                     0);
            QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
            trusting.setCaCertificates(QSslCertificate::fromPath(authority.filePath("ca.pem")));
            QSslConfiguration::setDefaultConfiguration(trusting);
        }
        test::DevServiceProcess service;
        QVERIFY(startService(service, {"--tls-cert", authority.filePath(certificate + ".pem"),
                                       "--tls-key", authority.filePath(certificate + ".key")}));
        QVERIFY(service.baseUrl().startsWith("https://127.0.0.1:"));
        test::LogCapture log;
        QObject owner;
        const auto rows = sendServiceQuery(&owner, "SELECT CURDATE();", "tls: ");
        const Outcome fetched = download();
        QCOMPARE(rows.has_value(), accepted);
        QCOMPARE(fetched.ok, accepted);
        // A refused certificate ends the connection before any request.
        QCOMPARE(service.recorded().size(), accepted ? 2 : 0);
        if (!accepted) {
            QVERIFY(log.contains("Error", "tls: SSL handshake failed"));
            QVERIFY(log.contains("Error", "downloadFile: certificate refused: "));
            QCOMPARE(fetched.reason, "Сертификат сервиса не прошёл проверку, соединение не установлено");
        }
    }
};

QTEST_GUILESS_MAIN(DownloadRoadTest)
#include "tst_downloadroad.moc"
