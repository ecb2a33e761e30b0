// The local stand-in of the dealer's service: it must accept every statement
// the client sends and behave like the dealer's database where the client
// relies on it.
#include "service/statements.h"
#include "tests/support/devserviceprocess.h"

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QtTest>

using namespace zv;

namespace {
struct Fetched
{
    int status = 0;
    QByteArray body;
};

Fetched get(const QString& url)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched fetched{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                    reply->readAll()};
    delete reply;
    return fetched;
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runService(const QStringList& arguments)
{
    QProcess process;
    process.start(test::DevServiceProcess::binaryPath(), arguments);
    process.waitForFinished(10000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}
} // namespace

class DevServiceTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;
    QTemporaryDir m_files;

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        QVERIFY(m_files.isValid());
        QDir(m_files.path()).mkpath("update/userszip");
        QFile archive(m_files.filePath("update/userszip/123.zip"));
        QVERIFY(archive.open(QIODevice::WriteOnly));
        archive.write(QByteArray(3 * 1024 * 1024 + 17, 'z'));
        archive.close();
        QFile outside(m_files.filePath("../outside.txt"));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.write("secret");
        test::DevServiceProcess::Config config;
        config.filesDir = m_files.path();
        config.fixedDate = QStringLiteral("2024-04-08");
        QVERIFY(m_service.start(config));
    }

    void everyClientStatementRuns()
    {
        const QStringList all = statements::everyStatement(
            QStringLiteral("123"), QStringLiteral("12345 abc"), QStringLiteral("00077 xyz"),
            QStringLiteral("fer2020"));
        for (const QString& statement : all) {
            QJsonArray rows;
            QVERIFY2(m_service.sql(statement, &rows), qPrintable(statement));
        }
    }

    void demoAccountAnswersEveryCatalogue()
    {
        const QString key = QStringLiteral("123");
        QJsonArray rows;
        QVERIFY(m_service.sql(statements::rikIndices(key), &rows));
        QVERIFY(rows.size() >= 4);
        QCOMPARE(rows.first().toObject().value("type").toString(), QStringLiteral("SPB"));
        QVERIFY(m_service.sql(statements::normativeBases(key), &rows));
        QStringList ids;
        for (const auto& row : rows)
            ids << row.toObject().value("идНБ").toString().toLower();
        QVERIFY(ids.contains("fr20"));
        QVERIFY(!ids.contains("ind0"));
        QVERIFY(!ids.contains("smr0"));
        QVERIFY(!ids.contains("szfo"));
        QVERIFY(m_service.sql(statements::grandIndices("12345 abc", "00077 xyz"), &rows));
        QCOMPARE(rows.size(), 2);
        QVERIFY(m_service.sql(statements::grandSubscription("12345 abc", "00077 xyz"), &rows));
        QCOMPARE(rows.size(), 1);
        QVERIFY(rows.first().toObject().value("subscription_building_materials").isNull());
        QVERIFY(m_service.sql(statements::rikVersionOffer(key), &rows));
        QCOMPARE(rows.first().toObject().value("VNum").toString(), QStringLiteral("2.1.240408"));
        QCOMPARE(rows.first().toObject().value("Версия").toString(), QStringLiteral("2.1"));
        QVERIFY(m_service.sql(statements::endings(), &rows));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.first().toObject().value("number").toString(), QStringLiteral("7"));
    }

    void fixedDateAndComputedColumnName()
    {
        QJsonArray rows;
        QVERIFY(m_service.sql(statements::serverDate(), &rows));
        QCOMPARE(rows.first().toObject().value("CURDATE()").toString(),
                 QStringLiteral("2024-04-08"));
    }

    void namesAndTextsIgnoreLetterCase()
    {
        QJsonArray rows;
        QVERIFY(m_service.sql("select `Серия` from `ключигранд`", &rows));
        QCOMPARE(rows.size(), 1);
        QVERIFY(m_service.sql("select `Серия` from `КЛЮЧИГРАНД`", &rows));
        QCOMPARE(rows.size(), 1);
        QVERIFY(m_service.sql(statements::baseVersion("FR20"), &rows));
        QCOMPARE(rows.first().toObject().value("RikCurrentVersion").toString(),
                 QStringLiteral("5.1"));
        // A quoted text that happens to spell a table name is left alone.
        QVERIFY(m_service.sql("select 'ключигранд' as t", &rows));
        QCOMPARE(rows.first().toObject().value("t").toString(), QStringLiteral("ключигранд"));
    }

    void valuesAreTextAndNullStaysNull()
    {
        QJsonArray rows;
        QVERIFY(m_service.sql("select 5 as n, 2.5 as f, NULL as z, 'x' as s", &rows));
        const QJsonObject row = rows.first().toObject();
        QCOMPARE(row.value("n").toString(), QStringLiteral("5"));
        QCOMPARE(row.value("f").toString(), QStringLiteral("2.5"));
        QVERIFY(row.value("z").isNull());
        QCOMPARE(row.value("s").toString(), QStringLiteral("x"));
    }

    void failingStatementAnswers500WithText()
    {
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        QNetworkReply* reply = manager.post(
            QNetworkRequest(QUrl(m_service.baseUrl() + "api/")), QByteArray("select * from nope"));
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 500);
        QVERIFY(reply->readAll().contains("no such table"));
        delete reply;
    }

    void servesFiles()
    {
        const Fetched root = get(m_service.baseUrl());
        QCOMPARE(root.status, 200);
        const Fetched file = get(m_service.baseUrl() + "update/userszip/123.zip");
        QCOMPARE(file.status, 200);
        QCOMPARE(file.body.size(), 3 * 1024 * 1024 + 17);
        QCOMPARE(get(m_service.baseUrl() + "update/userszip/999.zip").status, 404);
        QCOMPARE(get(m_service.baseUrl() + "update/userszip").status, 404);
        QCOMPARE(get(m_service.baseUrl() + "update/%2E%2E/%2E%2E/outside.txt").status, 404);
    }

    void commandLineFailuresExitWithTwo()
    {
        QCOMPARE(runService({"--help"}).exitCode, 0);
        const Run unknown = runService({"--bogus"});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.err.contains("unknown option --bogus"));
        QCOMPARE(runService({"--date", "08.04.2024"}).exitCode, 2);
        QCOMPARE(runService({"--listen", "127.0.0.1"}).exitCode, 2);
        QCOMPARE(runService({"--latency-ms"}).exitCode, 2);
        const Run busy = runService(
            {"--listen", QStringLiteral("127.0.0.1:%1").arg(m_service.port())});
        QCOMPARE(busy.exitCode, 2);
        QVERIFY(busy.err.contains("cannot listen"));
    }

    void databaseFileKeepsChanges()
    {
        QTemporaryDir dir;
        test::DevServiceProcess::Config config;
        config.dbPath = dir.filePath("svc.db");
        {
            test::DevServiceProcess first;
            QVERIFY(first.start(config));
            QVERIFY(first.sql("delete from `ключи` where `идКлюч` = 456"));
        }
        test::DevServiceProcess second;
        QVERIFY(second.start(config));
        QJsonArray rows;
        QVERIFY(second.sql("select * from `ключи`", &rows));
        QCOMPARE(rows.size(), 1);
    }
};

QTEST_GUILESS_MAIN(DevServiceTest)
#include "tst_devservice.moc"
