#include "settings/networkvalues.h"

#include "settings/settingkeys.h"

#include <QSettings>

namespace zv {

NetworkValues loadNetworkValues(const QSettings& store)
{
    NetworkValues values;
    values.useProxy = store.value(keys::networkProxyUse).toBool();
    values.fromBrowser = store.value(keys::networkProxyBrowser).toBool();
    values.custom = store.value(keys::networkProxyCustom).toBool();
    values.http = store.value(keys::networkProxyHttp).toBool();
    values.socks5 = store.value(keys::networkProxySocks5).toBool();
    values.address = store.value(keys::networkProxyAddress).toString();
    values.port = store.value(keys::networkProxyPort).toString();
    values.auth = store.value(keys::networkProxyAuth).toBool();
    values.user = store.value(keys::networkProxyUser).toString();
    values.password = store.value(keys::networkProxyPass).toString();
    return values;
}

void saveNetworkValues(QSettings& store, const NetworkValues& values)
{
    store.setValue(keys::networkProxyUse, values.useProxy);
    store.setValue(keys::networkProxyBrowser, values.fromBrowser);
    store.setValue(keys::networkProxyCustom, values.custom);
    store.setValue(keys::networkProxyHttp, values.http);
    store.setValue(keys::networkProxySocks5, values.socks5);
    store.setValue(keys::networkProxyAddress, values.address);
    store.setValue(keys::networkProxyPort, values.port);
    store.setValue(keys::networkProxyAuth, values.auth);
    store.setValue(keys::networkProxyUser, values.user);
    store.setValue(keys::networkProxyPass, values.password);
    store.sync();
}

ProxyChoice proxyChoiceOf(const NetworkValues& values)
{
    ProxyChoice choice;
    choice.useProxy = values.useProxy;
    choice.fromBrowser = values.fromBrowser;
    choice.httpProtocol = values.http;
    choice.address = values.address;
    bool isNumber = false;
    const qlonglong port = values.port.toLongLong(&isNumber);
    choice.port = isNumber ? static_cast<quint16>(port & 0xFFFF) : 0;
    return choice;
}

} // namespace zv
