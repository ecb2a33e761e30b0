// Talking to the dealer's service, against the local stand-in and, for what
// the stand-in never answers, a canned HTTP peer: the bytes a statement
// travels as and what the client makes of every answer; the stand-in's own
// contract; a file downloaded whole into the cache or not at all, never
// outside it nor through what someone else planted; and the proxy chosen.
#include "service/downloadcache.h"
#include "service/filedownload.h"
#include "service/proxy.h"
#include "service/proxydecision.h"
#include "service/serviceaddress.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "tests/support/cannedhttpserver.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace zv;
using test::CannedHttpServer;

namespace {
const QByteArray archive(300000, 'a');
const QByteArray whole = CannedHttpServer::okResponse("application/zip", archive);
const QString noHttp = "Не найдена или неверно введена настройка для HTTP прокси-сервера. HTTP = ";
const QString noSocks = "Не найдена или неверно введена настройка для SOCKS5 прокси-сервера. SOCKS5 = ";

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(content) > 0;
}

// "HTTP host:port", "SOCKS5 host:port" or "none"; a proxy never carries credentials.
QString described(const QNetworkProxy& proxy)
{
    const QString type = proxy.type() == QNetworkProxy::HttpProxy ? "HTTP " : proxy.type() == QNetworkProxy::Socks5Proxy ? "SOCKS5 " : "none";
    return proxy.user().isEmpty() && proxy.password().isEmpty() && type != "none"
               ? type + proxy.hostName() + ":" + QString::number(proxy.port()) : type;
}
} // namespace

class ServiceTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;
    QTemporaryDir m_files;

    // A GET of the path from the stand-in (response empty) or a peer giving this answer:
    // whether it succeeded, and how many requests were made.
    QPair<bool, int> download(const QString& path, const QByteArray& response = whole)
    {
        CannedHttpServer peer(response);
        peer.listen();
        setServiceBaseAddress(response.isEmpty() ? m_service.baseUrl() : peer.baseUrl());
        const int before = m_service.recorded().size();
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        const bool ok = FileDownload().run(manager, path);
        return {ok, response.isEmpty() ? m_service.recorded().size() - before : peer.requests().size()};
    }

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        installSettingsFormat();
        QVERIFY(writeFile(m_files.filePath("files/update/a.zip"), archive) && writeFile(m_files.filePath("outside.zip"), "secret"));
        QVERIFY(QFile::link(m_files.filePath("outside.zip"), m_files.filePath("files/update/out.zip")));
        test::DevServiceProcess::Config config;
        config.filesDir = m_files.filePath("files");
        config.fixedDate = "2024-04-08";
        config.record = true;
        QVERIFY(m_service.start(config));
    }

    void init() { QDir(downloadCacheFolder()).removeRecursively(); }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("response"); // empty: the stand-in answers
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("row");         // the first row's columns a, b, c as text; "failed" when the query fails
        const auto json = [](const QByteArray& body) { return CannedHttpServer::okResponse("application/json", body); };
        QTest::newRow("stand-in: values as text") << QByteArray() << "select 5 as a, NULL as b, 'x\"\\' || char(10) as c" << "5||x\"\\\n";
        QTest::newRow("stand-in: fixed date") << QByteArray() << "SELECT CURDATE() as a;" << "2024-04-08||";
        QTest::newRow("stand-in: names in any letter case") << QByteArray() << "select `Серия` as a, 'ключИгранд' as b from `КЛЮЧИГРАНД`" << "12345 abc|ключИгранд|";
        QTest::newRow("stand-in: failing statement") << QByteArray() << "select a from nope" << "failed";
        QTest::newRow("text") << json("[{\"a\":\"ключ\"},{}]") << "" << "ключ||";
        QTest::newRow("number and null read empty") << json("[{\"a\":5,\"b\":null,\"c\":\"x\"}]") << "" << "||x";
        QTest::newRow("object, not array") << json("{\"a\":\"x\"}") << "" << "||";
        QTest::newRow("html page with 200") << CannedHttpServer::okResponse("text/html", "<p>x</p>") << "" << "||";
        QTest::newRow("status 500") << QByteArray("HTTP/1.1 500 Error\r\nContent-Length: 0\r\n\r\n") << "" << "failed";
        // Followed, it would come back to this peer a second time.
        QTest::newRow("redirect not followed") << QByteArray("HTTP/1.1 302 Found\r\nLocation: /api/x\r\nContent-Length: 0\r\n\r\n") << "" << "||";
        QTest::newRow("nobody listens") << QByteArray("-") << "" << "failed";
    }

    void answers()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, statement);
        QFETCH(QString, row);
        CannedHttpServer peer(response);
        QVERIFY(peer.listen());
        setServiceBaseAddress(response.isEmpty() ? m_service.baseUrl() : response == "-" ? QString("http://127.0.0.1:%1/").arg(test::unusedPort()) : peer.baseUrl());
        test::LogCapture log;
        const auto answer = sendServiceQuery(this, statement.isEmpty() ? "select 1" : statement, "getLicNB: ");
        const QJsonObject first = firstRow(answer.value_or(QJsonArray()));
        const QStringList columns{columnText(first, "a"), columnText(first, "b"), columnText(first, "c")};
        QCOMPARE(answer ? columns.join('|') : QString("failed"), row);
        QCOMPARE(log.contains("Error", "getLicNB: "), !answer);
        QCOMPARE(peer.requests().size(), response.size() > 1 ? 1 : 0);
        if (!response.isEmpty())
            return;
        // The bare statement in UTF-8 is the whole body, though it is declared JSON.
        const QJsonObject sent = m_service.recorded().last().toObject();
        QCOMPARE((QStringList{sent["method"].toString(), sent["path"].toString(), sent["headers"]["Content-Type"].toString(),
                              sent["headers"]["Accept"].toString(), QString::fromUtf8(QByteArray::fromBase64(sent["body"].toString().toLatin1()))}),
                 (QStringList{"POST", "/api/", "application/json", "application/json", statement}));
    }

    void standInRunsEveryClientStatement()
    {
        for (const QString& statement : statements::everyStatement("123", "12345 abc", "00077 xyz", "fr20"))
            QVERIFY2(m_service.sql(statement), qPrintable(statement));
    }

    void standInRefusesWhatItCannotRun_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << QByteArray("unknown option --bogus");
        QTest::newRow("date not ISO") << QStringList{"--date", "08.04.2024"} << QByteArray("--date wants YYYY-MM-DD");
        QTest::newRow("port taken") << QStringList{"--listen", "127.0.0.1:" + QString::number(m_service.port())} << QByteArray("cannot listen");
    }

    void standInRefusesWhatItCannotRun()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, error);
        QProcess process;
        process.start(test::DevServiceProcess::binaryPath(), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains(error));
    }

    void download_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("response"); // empty: the stand-in serves its files
        QTest::addColumn<int>("requests");        // 0: refused before asking; a success only with a whole file
        QTest::newRow("whole file, older copy replaced") << "update/a.zip" << QByteArray() << 1;
        QTest::newRow("404") << "update/b.zip" << QByteArray() << 1;
        QTest::newRow("stand-in keeps to its folder") << "update/out.zip" << QByteArray() << 1;
        QTest::newRow("500") << "update/a.zip" << QByteArray("HTTP/1.1 500 Error\r\nContent-Length: 4\r\n\r\noops") << 1;
        QTest::newRow("redirect") << "update/a.zip" << QByteArray("HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 1\r\n\r\nm") << 1;
        QTest::newRow("dropped connection") << "update/a.zip" << "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + archive.left(40000) << 1;
        QTest::newRow("climbs out") << "../outside.zip" << whole << 0;
        QTest::newRow("climbs out deeper") << "update/../../outside.zip" << whole << 0;
        QTest::newRow("only dots") << "update/.." << whole << 0;
        QTest::newRow("absolute") << QDir::tempPath() + "/outside.zip" << whole << 0;
        QTest::newRow("drive letter") << "C:/outside.zip" << whole << 0;
        QTest::newRow("empty") << "" << whole << 0;
    }

    void download()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, response);
        QFETCH(int, requests);
        const QString cached = QDir::tempPath() + "/zelvinora/" + path;
        const bool ok = path == "update/a.zip" && response.isEmpty();
        QVERIFY(!ok || download(path, CannedHttpServer::okResponse("application/zip", "older")).first);
        QCOMPARE(download(path, response), qMakePair(ok, requests));
        QCOMPARE(bytesOf(cached), ok ? archive : QByteArray());
        QVERIFY(!QFileInfo::exists(QDir::tempPath() + "/outside.zip"));
        // Folders of the cache are the user's alone.
        for (QString folder = QFileInfo(cached).path(); ok && folder != QDir::tempPath(); folder = QFileInfo(folder).path())
            QCOMPARE(int(QFileInfo(folder).permissions() & 0x0077), 0);
    }

    // A file-size limit stands in for a full disk: writes past it fail.
    void fullDiskLeavesNoFile()
    {
        rlimit saved, small;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        small = {100000, saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const auto outcome = download("update/a.zip");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(outcome, qMakePair(false, 1));
        QVERIFY(!QFileInfo::exists(cachePathOf("update/a.zip")));
    }

    // What another account could plant in a shared temporary folder is never
    // written through nor trusted.
    void plantsAreLeftAlone_data()
    {
        QTest::addColumn<QString>("link"); // empty: a file of another account
        QTest::newRow("link as the folder") << "update";
        QTest::newRow("link as the file") << "update/a.zip";
        QTest::newRow("another account's file") << "";
    }

    void plantsAreLeftAlone()
    {
        QFETCH(QString, link);
        QTemporaryDir elsewhere;
        const QString target = cachePathOf("update/a.zip");
        QVERIFY(writeFile(elsewhere.filePath("a.zip"), "planted") && QDir().mkpath(downloadCacheFolder() + (link == "update" ? "" : "/update")));
        if (link.isEmpty())
            QVERIFY(writeFile(target, "planted") && chown(QFile::encodeName(target).constData(), 65534, 65534) == 0);
        else
            QVERIFY(QFile::link(link == "update" ? elsewhere.path() : elsewhere.filePath("a.zip"), downloadCacheFolder() + "/" + link));
        QVERIFY(!isCachedFile(target));
        QVERIFY(!download("update/a.zip").first);
        QCOMPARE(bytesOf(elsewhere.filePath("a.zip")), QByteArray("planted"));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"a.zip"});
        QCOMPARE(bytesOf(target), QByteArray("planted"));
    }

    // The status cell of a running download.
    void progressTexts_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("456 of 1000") << qint64(456) << qint64(1000) << "45.6%";
        QTest::newRow("1 of 30000") << qint64(1) << qint64(30000) << "0.00%";
        QTest::newRow("beyond 32 bits") << qint64(3000000000LL) << qint64(6000000000LL) << "50%";
        QTest::newRow("unknown total") << qint64(300 * 1024 * 1024 + 100 * 1024) << qint64(-1) << "300,1 МБ";
    }

    void progressTexts()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(QString, text);
        QCOMPARE(progressText(received, total), text);
    }

    // The browser's text is either one host:port for every protocol or
    // "scheme=host:port" pieces joined by ";".
    void proxyDecision_data()
    {
        QTest::addColumn<QString>("own"); // "host:port", or empty for the browser's
        QTest::addColumn<bool>("http");
        QTest::addColumn<QString>("browserText");
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("message");
        const QString list = "https=h2:8443;http=h1:8080;socks=s1:1080";
        QTest::newRow("own, browser's unread") << "p.local:3128" << true << "h1:1" << "HTTP p.local:3128" << "";
        QTest::newRow("one pair, HTTP") << "" << true << "h1:3128" << "HTTP h1:3128" << "";
        QTest::newRow("one pair, SOCKS5") << "" << false << "h1:3128" << "HTTP :0" << noSocks;
        QTest::newRow("list, HTTP") << "" << true << list << "HTTP h1:8080" << "";
        QTest::newRow("list, SOCKS5") << "" << false << list << "SOCKS5 s1:1080" << "";
        QTest::newRow("no http entry") << "" << true << "https=h2:8443;socks=s1:1080" << "HTTP :0" << noHttp;
        QTest::newRow("socks alone, HTTP takes it whole") << "" << true << "socks=s1:1080" << "HTTP socks=s1:1080" << "";
        QTest::newRow("entry without colon is named") << "" << true << "http=h1;socks=s1:1" << "HTTP :0" << noHttp + "h1";
        QTest::newRow("port cut to 16 bits, last piece wins") << "" << true << "http=a:1;http=h1:70000" << "HTTP h1:4464" << "";
    }

    void proxyDecision()
    {
        QFETCH(QString, own);
        QFETCH(bool, http);
        QFETCH(QString, browserText);
        QFETCH(QString, proxy);
        QFETCH(QString, message);
        const ProxyChoice choice{true, own.isEmpty(), http, own.section(':', 0, 0), quint16(own.section(':', 1).toInt())};
        int reads = 0;
        const ProxyDecision decision = decideProxy(choice, [&] { return ++reads, browserText; });
        QCOMPARE(reads, own.isEmpty() ? 1 : 0);
        QCOMPARE(described(decision.proxy), proxy);
        QCOMPARE(decision.message, message);
        QCOMPARE(decision.action == ProxyDecision::Action::Unconfigured, !message.isEmpty());
    }

    // From the stored settings and, for the browser's proxy on this platform,
    // the environment, to the manager and what the user is told.
    void proxyFromTheStore_data()
    {
        QTest::addColumn<QVariantList>("stored"); // use, browser's, HTTP, address, port as the page writes it
        QTest::addColumn<QByteArray>("environment"); // name=value
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QString>("box");
        QTest::newRow("off") << QVariantList{false, false, true, "p.local", "3128"} << QByteArray("http_proxy=") << "none" << "";
        QTest::newRow("own, port cut") << QVariantList{true, false, true, "p.local", "70000"} << QByteArray("http_proxy=h1:1") << "HTTP p.local:4464" << "";
        QTest::newRow("own SOCKS5") << QVariantList{true, false, false, "s.local", "1080"} << QByteArray("http_proxy=") << "SOCKS5 s.local:1080" << "";
        QTest::newRow("browser's") << QVariantList{true, true, true, "p.local", "1"} << QByteArray("http_proxy=http://u:p@h1:3128/") << "HTTP h1:3128" << "";
        QTest::newRow("browser's SOCKS5") << QVariantList{true, true, false, "", "0"} << QByteArray("all_proxy=socks5://s1:1080") << "SOCKS5 s1:1080" << "";
        QTest::newRow("browser's, no SOCKS5") << QVariantList{true, true, false, "", "0"} << QByteArray("http_proxy=http://h1:3128") << "HTTP :0" << "Отсутствует настройка|" + noSocks;
    }

    void proxyFromTheStore()
    {
        QFETCH(QVariantList, stored);
        QFETCH(QByteArray, environment);
        QFETCH(QString, proxy);
        QFETCH(QString, box);
        QSettings settings;
        const QStringList names{keys::networkProxyUse, keys::networkProxyBrowser, keys::networkProxyHttp, keys::networkProxyAddress, keys::networkProxyPort};
        for (int i = 0; i < names.size(); ++i)
            settings.setValue(names[i], stored[i]);
        settings.sync();
        qunsetenv("http_proxy");
        qunsetenv("all_proxy");
        const int equals = environment.indexOf('=');
        qputenv(environment.left(equals).constData(), environment.mid(equals + 1));
        QString seen;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                seen = shown->windowTitle() + "|" + shown->text(), shown->accept();
        });
        closer.start(100);
        QNetworkAccessManager manager;
        setNetworkProxy(manager, storedProxyChoice(), nullptr);
        QCOMPARE(described(manager.proxy()), proxy);
        QCOMPARE(seen, box);
    }
};

QTEST_MAIN(ServiceTest)
#include "tst_service.moc"
