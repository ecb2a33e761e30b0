// The query exchange with the dealer's service, against the local stand-in
// and, for answers the stand-in never gives, a canned HTTP peer.
#include "service/serviceaddress.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "tests/support/cannedhttpserver.h"
#include "tests/support/devserviceprocess.h"
#include "tests/support/logcapture.h"

#include <QJsonObject>
#include <QtTest>

using namespace zv;

class ServiceExchangeTest : public QObject
{
    Q_OBJECT

    test::DevServiceProcess m_service;

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        test::DevServiceProcess::Config config;
        config.record = true;
        QVERIFY(m_service.start(config));
    }

    void init() { setServiceBaseAddress(m_service.baseUrl()); }

    void requestCarriesBareStatementBytesAndTwoHeaders()
    {
        const auto rows = sendServiceQuery(this, statements::serverDate(), QString());
        QVERIFY(rows.has_value());
        const QJsonObject last = m_service.recorded().last().toObject();
        QCOMPARE(last.value("method").toString(), QStringLiteral("POST"));
        QCOMPARE(last.value("path").toString(), QStringLiteral("/api/"));
        const QByteArray body = QByteArray::fromBase64(last.value("body").toString().toLatin1());
        QCOMPARE(body, QByteArray("SELECT CURDATE();"));
        QCOMPARE(body.size(), 17);
        const QJsonObject headers = last.value("headers").toObject();
        QCOMPARE(headers.value("Content-Type").toString(), QStringLiteral("application/json"));
        QCOMPARE(headers.value("Accept").toString(), QStringLiteral("application/json"));
        QVERIFY(!headers.contains("Authorization"));
        QVERIFY(!headers.contains("Cookie"));
    }

    void headersGoInOrderContentTypeThenAccept()
    {
        test::CannedHttpServer peer(test::CannedHttpServer::okResponse("application/json", "[]"));
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        QVERIFY(sendServiceQuery(this, statements::serverDate(), QString()).has_value());
        QCOMPARE(peer.requests().size(), 1);
        const QByteArray raw = peer.requests().first();
        QVERIFY(raw.startsWith("POST /api/ HTTP/1.1\r\n"));
        const int type = raw.indexOf("Content-Type: application/json\r\n");
        const int accept = raw.indexOf("Accept: application/json\r\n");
        QVERIFY(type > 0);
        QVERIFY(accept > type);
        QVERIFY(raw.endsWith("\r\n\r\nSELECT CURDATE();"));
    }

    void cyrillicStatementTravelsAsUtf8()
    {
        const QString statement = statements::userFileChange(QStringLiteral("123"));
        const auto rows = sendServiceQuery(this, statement, QString());
        QVERIFY(rows.has_value());
        const QByteArray body = QByteArray::fromBase64(
            m_service.recorded().last().toObject().value("body").toString().toLatin1());
        QCOMPARE(body, statement.toUtf8());
        QCOMPARE(columnText(firstRow(*rows), QStringLiteral("последнее Изменение")),
                 QStringLiteral("2026-11-20 09:30:15"));
    }

    void emptyAnswerReadsAsEmptyTextEverywhere()
    {
        const auto rows = sendServiceQuery(this, statements::rikSubscription("999999"), QString());
        QVERIFY(rows.has_value());
        QVERIFY(rows->isEmpty());
        QCOMPARE(columnText(firstRow(*rows), QStringLiteral("Окончание")), QString());
    }

    void nonJsonAndNonStringAnswers_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QString>("valueOfA");
        QTest::newRow("html page with 200") << QByteArray("text/html")
                                            << QByteArray("<html><body>Oops</body></html>") << 0
                                            << QString();
        QTest::newRow("json object, not array") << QByteArray("application/json")
                                                << QByteArray("{\"a\":\"x\"}") << 0 << QString();
        QTest::newRow("number value") << QByteArray("application/json")
                                      << QByteArray("[{\"a\":5}]") << 1 << QString();
        QTest::newRow("null value") << QByteArray("application/json")
                                    << QByteArray("[{\"a\":null}]") << 1 << QString();
        QTest::newRow("string value") << QByteArray("application/json")
                                      << QByteArray("[{\"a\":\"5\"}]") << 1 << QStringLiteral("5");
    }

    void nonJsonAndNonStringAnswers()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(int, rowCount);
        QFETCH(QString, valueOfA);
        test::CannedHttpServer peer(test::CannedHttpServer::okResponse(contentType, body));
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        test::LogCapture log;
        const auto rows = sendServiceQuery(this, QStringLiteral("select 1"), "x: ");
        QVERIFY(rows.has_value());
        QCOMPARE(rows->size(), rowCount);
        QCOMPARE(columnText(firstRow(*rows), QStringLiteral("a")), valueOfA);
        QVERIFY(!log.contains(QStringLiteral("Error"), QStringLiteral("x: ")));
    }

    void httpErrorStatusFailsAndLogsWithPrefix()
    {
        test::LogCapture log;
        const auto rows = sendServiceQuery(this, QStringLiteral("select * from `нет_такой`"),
                                           QStringLiteral("getLicNB: "));
        QVERIFY(!rows.has_value());
        QVERIFY(log.contains(QStringLiteral("Error"), QStringLiteral("getLicNB: ")));
    }

    void refusedConnectionFailsAndLogs()
    {
        setServiceBaseAddress(QStringLiteral("http://127.0.0.1:%1/").arg(test::unusedPort()));
        test::LogCapture log;
        const auto rows = sendServiceQuery(this, statements::serverDate(),
                                           QStringLiteral("isNewUser:"));
        QVERIFY(!rows.has_value());
        QVERIFY(log.contains(QStringLiteral("Error"), QStringLiteral("isNewUser:")));
        QVERIFY(log.contains(QStringLiteral("Error"), QStringLiteral("refused")));
    }

    void redirectIsNotFollowed()
    {
        test::CannedHttpServer target(test::CannedHttpServer::okResponse("application/json",
                                                                         "[{\"a\":\"x\"}]"));
        QVERIFY(target.listen());
        test::CannedHttpServer peer("HTTP/1.1 302 Found\r\nLocation: " +
                                    target.baseUrl().toLatin1() +
                                    "api/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        QVERIFY(peer.listen());
        setServiceBaseAddress(peer.baseUrl());
        const auto rows = sendServiceQuery(this, statements::serverDate(), QString());
        QVERIFY(rows.has_value());
        QVERIFY(rows->isEmpty());
        QVERIFY(target.requests().isEmpty());
    }

    void baseAddressDerivations()
    {
        setServiceBaseAddress(QStringLiteral("http://example.test/lk"));
        QCOMPARE(serviceBaseAddress(), QStringLiteral("http://example.test/lk/"));
        QCOMPARE(serviceApiAddress().toString(), QStringLiteral("http://example.test/lk/api/"));
        QCOMPARE(serviceFileAddress("update/userszip/123.zip").toString(),
                 QStringLiteral("http://example.test/lk/update/userszip/123.zip"));
        QCOMPARE(serviceSiteAddress().toString(), QStringLiteral("http://example.test/lk"));
    }
};

QTEST_GUILESS_MAIN(ServiceExchangeTest)
#include "tst_serviceexchange.moc"
