// The settings store, the Run value and the browser proxy as they sit in a
// real Windows registry, read back through the registry API rather than Qt.
#include "app/defaultsettings.h"
#include "service/browserproxy.h"
#include "service/proxydecision.h"
#include "settings/autostart.h"
#include "settings/settingsstore.h"

#include <QtTest>

#include <windows.h>

namespace {

struct RegistryValue
{
    DWORD type = REG_NONE;
    QVariant data; // DWORD as uint, REG_SZ as text
};

RegistryValue readRegistry(const QString& subKey, const QString& name)
{
    RegistryValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(subKey.utf16()), 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    BYTE buffer[2048] = {};
    DWORD size = sizeof(buffer) - 2;
    if (RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(name.utf16()), nullptr, &value.type,
                         buffer, &size) == ERROR_SUCCESS) {
        if (value.type == REG_DWORD)
            value.data = uint(*reinterpret_cast<DWORD*>(buffer));
        else if (value.type == REG_SZ)
            value.data = QString::fromWCharArray(reinterpret_cast<wchar_t*>(buffer));
    }
    RegCloseKey(key);
    return value;
}

bool writeProxyServer(const QString& text, bool present)
{
    const QString subKey =
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(subKey.utf16()), 0, nullptr,
                        0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG done =
        present ? RegSetValueExW(key, L"ProxyServer", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text.utf16()),
                                 DWORD((text.size() + 1) * 2))
                : RegDeleteValueW(key, L"ProxyServer");
    RegCloseKey(key);
    return done == ERROR_SUCCESS || (!present && done == ERROR_FILE_NOT_FOUND);
}

const QString runKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");

// "ProxyServer" (present or not) and the protocol asked; host empty: the
// "Отсутствует настройка" box.
struct Browser { bool present; QString proxyServer; bool http; QString host; int port; };

} // namespace

Q_DECLARE_METATYPE(Browser)

class WinRegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
        QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
        zv::installSettingsFormat();
        QSettings store;
        QVERIFY(zv::isFirstRun(store));
        zv::writeDefaultSettings(store);
    }

    void firstRunKeyInRegistry_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<uint>("type");
        QTest::addColumn<QVariant>("data");
        const auto yes = QVariant(QStringLiteral("true"));
        const auto no = QVariant(QStringLiteral("false"));
        const auto empty = QVariant(QString());
        QTest::newRow("autostart") << "general/autostart" << uint(REG_SZ) << yes;
        QTest::newRow("onlynew") << "general/onlynew" << uint(REG_SZ) << yes;
        QTest::newRow("checkupdatenumber") << "general/checkupdatenumber" << uint(REG_DWORD) << QVariant(1u);
        QTest::newRow("hoursorday") << "general/hoursorday" << uint(REG_SZ) << QVariant(QStringLiteral("d"));
        QTest::newRow("userik") << "general/userik" << uint(REG_SZ) << no;
        QTest::newRow("usegrand") << "general/usegrand" << uint(REG_SZ) << no;
        QTest::newRow("proxyuse") << "network/proxyuse" << uint(REG_SZ) << no;
        QTest::newRow("proxybrowser") << "network/proxybrowser" << uint(REG_SZ) << yes;
        QTest::newRow("proxycustom") << "network/proxycustom" << uint(REG_SZ) << no;
        QTest::newRow("proxySOCKS5") << "network/proxySOCKS5" << uint(REG_SZ) << no;
        QTest::newRow("proxyHTTP") << "network/proxyHTTP" << uint(REG_SZ) << yes;
        QTest::newRow("proxyaddress") << "network/proxyaddress" << uint(REG_SZ) << empty;
        QTest::newRow("proxyport") << "network/proxyport" << uint(REG_DWORD) << QVariant(0u);
        QTest::newRow("proxyauth") << "network/proxyauth" << uint(REG_SZ) << no;
        QTest::newRow("proxyuser") << "network/proxyuser" << uint(REG_SZ) << empty;
        QTest::newRow("proxypass") << "network/proxypass" << uint(REG_SZ) << empty;
        QTest::newRow("rik key") << "rik/key" << uint(REG_SZ) << empty;
        QTest::newRow("rik path") << "rik/path" << uint(REG_SZ) << empty;
        QTest::newRow("keyserial") << "grand/keyserial" << uint(REG_SZ) << empty;
        QTest::newRow("keynumber") << "grand/keynumber" << uint(REG_SZ) << empty;
        QTest::newRow("grand path") << "grand/path" << uint(REG_SZ) << empty;
    }

    // The store's key is the organisation and the Cyrillic application name;
    // the part before "/" is a sub-key of its own.
    void firstRunKeyInRegistry()
    {
        QFETCH(QString, key);
        QFETCH(uint, type);
        QFETCH(QVariant, data);
        const QString group = key.section(QLatin1Char('/'), 0, 0);
        const RegistryValue found = readRegistry(
            QStringLiteral("Software\\ZelVinora\\Личный кабинет Зелвинора\\") + group,
            key.section(QLatin1Char('/'), 1));
        QCOMPARE(uint(found.type), type);
        QCOMPARE(found.data, data);
        QCOMPARE(QSettings().allKeys().size(), 21);
    }

    void autostartValueWrittenAndRemoved()
    {
        const QString exe = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
        QVERIFY(exe.contains(QLatin1Char('\\')));
        RegistryValue run = readRegistry(runKey, QStringLiteral("zelvinoraPA"));
        QCOMPARE(uint(run.type), uint(REG_SZ));
        QCOMPARE(run.data.toString(), exe);
        QVERIFY(zv::removeAutostartEntry());
        QCOMPARE(uint(readRegistry(runKey, QStringLiteral("zelvinoraPA")).type), uint(REG_NONE));
        QVERIFY(zv::writeAutostartEntry());
        QCOMPARE(zv::autostartEntryValue(), exe);
    }

    // The parsing rules themselves are decided on every platform; here, that
    // the value is read from where Windows keeps it, or found missing.
    void browserProxyFromRegistry_data()
    {
        QTest::addColumn<Browser>("b");
        QTest::newRow("one pair, http") << Browser{true, "h1:3128", true, "h1", 3128};
        QTest::newRow("list, socks") << Browser{true, "http=h1:8080;https=h2:8443;socks=s1:1080", false, "s1", 1080};
        QTest::newRow("port cut to 16 bits") << Browser{true, "h1:70000", true, "h1", 4464};
        QTest::newRow("empty value") << Browser{true, "", true, "", 0};
        QTest::newRow("no value") << Browser{false, "", true, "", 0};
    }

    void browserProxyFromRegistry()
    {
        QFETCH(Browser, b);
        QVERIFY(writeProxyServer(b.proxyServer, b.present));
        zv::ProxyChoice choice;
        choice.useProxy = true;
        choice.fromBrowser = true;
        choice.httpProtocol = b.http;
        const zv::ProxyDecision decision = zv::decideProxy(choice, zv::browserProxyText);
        if (b.host.isEmpty()) {
            QCOMPARE(int(decision.action), int(zv::ProxyDecision::Action::Unconfigured));
            return;
        }
        QCOMPARE(int(decision.action), int(zv::ProxyDecision::Action::SetProxy));
        QCOMPARE(decision.proxy.type(), b.http ? QNetworkProxy::HttpProxy : QNetworkProxy::Socks5Proxy);
        QCOMPARE(decision.proxy.hostName(), b.host);
        QCOMPARE(int(decision.proxy.port()), b.port);
    }
};

QTEST_GUILESS_MAIN(WinRegistryTest)
#include "tst_winregistry.moc"
