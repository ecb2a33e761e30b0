// The proxy a connection manager gets: from the client's own settings, from
// the browser's proxy text, or none; with the two messages for a browser
// setting that is missing or malformed.
#include "service/browserproxy.h"
#include "service/proxy.h"
#include "service/proxydecision.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"
#include "tests/app/messageboxcatcher.h"
#include "tests/support/devserviceprocess.h"

#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSettings>
#include <QtTest>

using namespace zv;

Q_DECLARE_METATYPE(ProxyDecision::Action)
Q_DECLARE_METATYPE(QNetworkProxy::ProxyType)

namespace {
const QString httpMessage =
    QStringLiteral("Не найдена или неверно введена настройка для HTTP прокси-сервера. HTTP = ");
const QString socksMessage =
    QStringLiteral("Не найдена или неверно введена настройка для SOCKS5 прокси-сервера. SOCKS5 = ");

ProxyChoice browserChoice(bool http)
{
    ProxyChoice choice;
    choice.useProxy = true;
    choice.fromBrowser = true;
    choice.httpProtocol = http;
    return choice;
}
} // namespace

class ProxyTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        test::enableTestMode();
        installSettingsFormat();
    }

    void decision_data()
    {
        QTest::addColumn<bool>("fromBrowser");
        QTest::addColumn<bool>("http");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("browserText");
        QTest::addColumn<ProxyDecision::Action>("action");
        QTest::addColumn<QNetworkProxy::ProxyType>("type");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("proxyPort");
        QTest::addColumn<QString>("message");

        const auto set = ProxyDecision::Action::SetProxy;
        const auto none = ProxyDecision::Action::Unconfigured;
        const auto http = QNetworkProxy::HttpProxy;
        const auto socks = QNetworkProxy::Socks5Proxy;
        const QString noText;

        QTest::newRow("own HTTP") << false << true << "p.local" << 3128 << noText << set << http
                                  << "p.local" << 3128 << QString();
        QTest::newRow("own SOCKS5") << false << false << "s.local" << 1080 << noText << set << socks
                                    << "s.local" << 1080 << QString();
        QTest::newRow("own, empty address: no message")
            << false << true << "" << 0 << noText << set << http << "" << 0 << QString();
        QTest::newRow("own, address kept as typed")
            << false << true << " p.local " << 8080 << noText << set << http << " p.local " << 8080
            << QString();

        QTest::newRow("one pair, HTTP")
            << true << true << "" << 0 << "h1:3128" << set << http << "h1" << 3128 << QString();
        QTest::newRow("one pair, SOCKS5: message")
            << true << false << "" << 0 << "h1:3128" << none << http << "" << 0 << socksMessage;
        const QString list = QStringLiteral("http=h1:8080;https=h2:8443;socks=s1:1080");
        QTest::newRow("list, HTTP")
            << true << true << "" << 0 << list << set << http << "h1" << 8080 << QString();
        QTest::newRow("list, SOCKS5")
            << true << false << "" << 0 << list << set << socks << "s1" << 1080 << QString();
        QTest::newRow("https first, HTTP")
            << true << true << "" << 0 << "https=h2:8443;http=h1:8080;socks=s1:1080" << set << http
            << "h1" << 8080 << QString();
        QTest::newRow("socks first, HTTP")
            << true << true << "" << 0 << "socks=s1:1080;https=h2:8443;http=h1:8080" << set << http
            << "h1" << 8080 << QString();
        QTest::newRow("only https: message")
            << true << true << "" << 0 << "https=h2:8443;socks=s1:1080" << none << http << "" << 0
            << httpMessage;
        QTest::newRow("socks alone, HTTP takes it whole")
            << true << true << "" << 0 << "socks=s1:1080" << set << http << "socks=s1" << 1080
            << QString();
        QTest::newRow("socks alone, SOCKS5: message") << true << false << "" << 0 << "socks=s1:1080"
                                                      << none << http << "" << 0 << socksMessage;
        QTest::newRow("empty, HTTP: message")
            << true << true << "" << 0 << "" << none << http << "" << 0 << httpMessage;
        QTest::newRow("empty, SOCKS5: message")
            << true << false << "" << 0 << "" << none << http << "" << 0 << socksMessage;
        QTest::newRow("port not a number") << true << true << "" << 0 << "http=h1:abc;socks=s1:1"
                                           << set << http << "h1" << 0 << QString();
        QTest::newRow("extra pieces ignored") << true << true << "" << 0 << "http=h1:8080:9;x"
                                              << set << http << "h1" << 8080 << QString();
        QTest::newRow("entry without colon: message names it")
            << true << true << "" << 0 << "http=h1;socks=s1:1080" << none << http << "" << 0
            << httpMessage + "h1";
        QTest::newRow("last piece wins") << true << true << "" << 0 << "http=a:1;http=b:2" << set
                                         << http << "b" << 2 << QString();
        QTest::newRow("nothing trimmed") << true << true << "" << 0 << "http= h1 :8080;" << set
                                         << http << " h1 " << 8080 << QString();
        QTest::newRow("port cut to 16 bits")
            << true << true << "" << 0 << "h1:70000" << set << http << "h1" << 4464 << QString();
        QTest::newRow("own address ignored in browser mode")
            << true << true << "own.local" << 3128 << "h1:1" << set << http << "h1" << 1
            << QString();
    }

    void decision()
    {
        QFETCH(bool, fromBrowser);
        QFETCH(bool, http);
        QFETCH(QString, address);
        QFETCH(int, port);
        QFETCH(QString, browserText);
        QFETCH(ProxyDecision::Action, action);
        QFETCH(QNetworkProxy::ProxyType, type);
        QFETCH(QString, host);
        QFETCH(int, proxyPort);
        QFETCH(QString, message);

        ProxyChoice choice;
        choice.useProxy = true;
        choice.fromBrowser = fromBrowser;
        choice.httpProtocol = http;
        choice.address = address;
        choice.port = quint16(port);
        int reads = 0;
        const ProxyDecision decision = decideProxy(choice, [&] {
            ++reads;
            return browserText;
        });
        QCOMPARE(reads, fromBrowser ? 1 : 0);
        QCOMPARE(decision.action, action);
        QCOMPARE(decision.proxy.type(), type);
        QCOMPARE(decision.proxy.hostName(), host);
        QCOMPARE(int(decision.proxy.port()), proxyPort);
        QVERIFY(decision.proxy.user().isEmpty());
        QVERIFY(decision.proxy.password().isEmpty());
        QCOMPARE(decision.message, message);
    }

    void proxyOffReadsNothingAndSetsNothing()
    {
        ProxyChoice choice = browserChoice(true);
        choice.useProxy = false;
        choice.address = QStringLiteral("p.local");
        choice.port = 3128;
        int reads = 0;
        const ProxyDecision decision = decideProxy(choice, [&] {
            ++reads;
            return QStringLiteral("h1:1");
        });
        QCOMPARE(reads, 0);
        QCOMPARE(decision.action, ProxyDecision::Action::LeaveAlone);
    }

    void storedPort_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("port");
        QTest::newRow("number") << QVariant(3128) << 3128;
        QTest::newRow("text, as the page writes it") << QVariant("8080") << 8080;
        QTest::newRow("70000 cut to 16 bits") << QVariant(70000) << 4464;
        QTest::newRow("70000 as text") << QVariant("70000") << 4464;
        QTest::newRow("not a number") << QVariant("abc") << 0;
        QTest::newRow("missing") << QVariant() << 0;
    }

    void storedPort()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, port);
        QCOMPARE(int(portFromSetting(stored)), port);
    }

    void storedChoiceIsReadAfreshFromTheStore()
    {
        QSettings settings;
        settings.clear();
        QCOMPARE(storedProxyChoice().useProxy, false);
        QCOMPARE(int(storedProxyChoice().port), 0);

        settings.setValue(keys::networkProxyUse, true);
        settings.setValue(keys::networkProxyBrowser, false);
        settings.setValue(keys::networkProxyHttp, true);
        settings.setValue(keys::networkProxyAddress, QStringLiteral("p.local"));
        settings.setValue(keys::networkProxyPort, QStringLiteral("70000"));
        // The mirrors of the radio buttons and the authorisation are not read.
        settings.setValue(keys::networkProxyCustom, false);
        settings.setValue(keys::networkProxySocks5, true);
        settings.setValue(keys::networkProxyAuth, true);
        settings.setValue(keys::networkProxyUser, QStringLiteral("u"));
        settings.sync();
        const ProxyChoice choice = storedProxyChoice();
        QVERIFY(choice.useProxy);
        QVERIFY(!choice.fromBrowser);
        QVERIFY(choice.httpProtocol);
        QCOMPARE(choice.address, QStringLiteral("p.local"));
        QCOMPARE(int(choice.port), 4464);

        settings.setValue(keys::networkProxyHttp, false);
        settings.sync();
        QVERIFY(!storedProxyChoice().httpProtocol);
        settings.clear();
    }

    void managerIsLeftAloneWhenProxyIsOff()
    {
        MessageBoxCatcher boxes;
        QNetworkAccessManager manager;
        const QNetworkProxy before = manager.proxy();
        setNetworkProxy(manager, ProxyChoice(), nullptr);
        QCOMPARE(manager.proxy(), before);
        QCOMPARE(manager.proxy().type(), QNetworkProxy::DefaultProxy);
        QVERIFY(boxes.boxes().isEmpty());
    }

    void managerGetsTheOwnProxy()
    {
        MessageBoxCatcher boxes;
        QNetworkAccessManager manager;
        ProxyChoice choice;
        choice.useProxy = true;
        choice.address = QStringLiteral("s.local");
        choice.port = 1080;
        setNetworkProxy(manager, choice, nullptr);
        QCOMPARE(manager.proxy().type(), QNetworkProxy::Socks5Proxy);
        QCOMPARE(manager.proxy().hostName(), QStringLiteral("s.local"));
        QCOMPARE(int(manager.proxy().port()), 1080);
        QVERIFY(boxes.boxes().isEmpty());
    }

    void missingBrowserSettingIsToldAndLeavesTheUnconfiguredProxy()
    {
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        qunsetenv("all_proxy");
        qunsetenv("ALL_PROXY");
        qunsetenv("socks_proxy");
        MessageBoxCatcher boxes;
        QWidget parent;
        QNetworkAccessManager manager;
        setNetworkProxy(manager, browserChoice(false), &parent);
        QCOMPARE(boxes.boxes().size(), 1);
        const MessageBoxCatcher::Box box = boxes.boxes().first();
        QCOMPARE(box.title, QStringLiteral("Отсутствует настройка"));
        QCOMPARE(box.text, socksMessage);
        QCOMPARE(box.icon, int(QMessageBox::Information));
        QCOMPARE(box.buttonCount, 1);
        QVERIFY(box.onlyOk);
        QCOMPARE(manager.proxy().type(), QNetworkProxy::HttpProxy);
        QVERIFY(manager.proxy().hostName().isEmpty());
        QCOMPARE(int(manager.proxy().port()), 0);
    }

    void browserModeReadsTheEnvironmentEveryTime()
    {
        MessageBoxCatcher boxes;
        qputenv("http_proxy", "http://h1:3128/");
        QNetworkAccessManager first;
        setNetworkProxy(first, browserChoice(true), nullptr);
        QCOMPARE(first.proxy().hostName(), QStringLiteral("h1"));
        QCOMPARE(int(first.proxy().port()), 3128);

        // Only an HTTP proxy is configured: SOCKS5 has no entry.
        QNetworkAccessManager second;
        setNetworkProxy(second, browserChoice(false), nullptr);
        QCOMPARE(boxes.titles(), QStringList{QStringLiteral("Отсутствует настройка")});
        QCOMPARE(boxes.boxes().first().text, socksMessage);

        qputenv("http_proxy", "http://h9:8080");
        qputenv("all_proxy", "socks5://s1:1080");
        QNetworkAccessManager third;
        setNetworkProxy(third, browserChoice(false), nullptr);
        QCOMPARE(third.proxy().type(), QNetworkProxy::Socks5Proxy);
        QCOMPARE(third.proxy().hostName(), QStringLiteral("s1"));
        QNetworkAccessManager fourth;
        setNetworkProxy(fourth, browserChoice(true), nullptr);
        QCOMPARE(fourth.proxy().hostName(), QStringLiteral("h9"));
        QCOMPARE(int(fourth.proxy().port()), 8080);
        qunsetenv("http_proxy");
        qunsetenv("all_proxy");
    }

    void environmentText_data()
    {
        QTest::addColumn<QStringList>("variables"); // name=value
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing set") << QStringList() << "";
        QTest::newRow("http_proxy") << QStringList{"http_proxy=http://h1:3128/"} << "http=h1:3128;";
        QTest::newRow("HTTP_PROXY") << QStringList{"HTTP_PROXY=http://h1:3128"} << "http=h1:3128;";
        QTest::newRow("lower case first")
            << QStringList{"http_proxy=http://a:1", "HTTP_PROXY=http://b:2"} << "http=a:1;";
        QTest::newRow("no scheme") << QStringList{"http_proxy=h1:3128"} << "http=h1:3128;";
        QTest::newRow("no port") << QStringList{"http_proxy=http://h1"} << "http=h1:1080;";
        QTest::newRow("user and password dropped")
            << QStringList{"http_proxy=http://u:p@h1:3128"} << "http=h1:3128;";
        QTest::newRow("all_proxy socks5")
            << QStringList{"all_proxy=socks5://s1:1080"} << "socks=s1:1080;";
        QTest::newRow("ALL_PROXY socks5h")
            << QStringList{"ALL_PROXY=socks5h://s1:1081"} << "socks=s1:1081;";
        QTest::newRow("all_proxy not socks") << QStringList{"all_proxy=http://x:1"} << "";
        QTest::newRow("socks_proxy without scheme")
            << QStringList{"socks_proxy=s1:1080"} << "socks=s1:1080;";
        QTest::newRow("both") << QStringList{"http_proxy=http://h1:3128",
                                             "all_proxy=socks://s1:1080"}
                              << "http=h1:3128;socks=s1:1080";
        QTest::newRow("https_proxy alone is not the HTTP entry")
            << QStringList{"https_proxy=http://h2:8443"} << "";
    }

    void environmentText()
    {
        QFETCH(QStringList, variables);
        QFETCH(QString, text);
        QProcessEnvironment environment;
        for (const QString& variable : variables) {
            const int equals = variable.indexOf('=');
            environment.insert(variable.left(equals), variable.mid(equals + 1));
        }
        const QString built = browserProxyTextFromEnvironment(environment);
        QCOMPARE(built, text);
        // Whatever was built, the browser rule reads each entry back as its own.
        const BrowserProxyEntries entries = browserProxyEntries(built);
        QVERIFY(!entries.http.contains('='));
        QVERIFY(!entries.socks.contains('='));
    }
};

QTEST_MAIN(ProxyTest)
#include "tst_proxy.moc"
