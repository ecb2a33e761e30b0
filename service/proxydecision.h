#pragma once

#include "service/proxy.h"

#include <QNetworkProxy>
#include <QString>

#include <functional>

// The rule behind setNetworkProxy, free of managers and message boxes.
namespace zv {

// The two entries a browser proxy text yields. The text is either one
// host:port pair for every protocol or "scheme=host:port" pieces joined by ";".
struct BrowserProxyEntries
{
    QString http;
    QString socks;
};
BrowserProxyEntries browserProxyEntries(const QString& proxyServerText);

struct ProxyDecision
{
    enum class Action
    {
        LeaveAlone,  // no proxy wanted: the manager keeps the library's default
        SetProxy,    // proxy holds the proxy to set
        Unconfigured // proxy holds an HTTP proxy without host; show message
    };
    Action action = Action::LeaveAlone;
    QNetworkProxy proxy;
    QString message; // text of the "Отсутствует настройка" box when Unconfigured
};

// readBrowserText is called only in browser mode, once.
ProxyDecision decideProxy(const ProxyChoice& choice,
                          const std::function<QString()>& readBrowserText);

// The stored port setting as a port: the whole number (or its text, as the
// network page writes it back) cut to its low 16 bits; 0 when not a number.
quint16 portFromSetting(const QVariant& stored);

} // namespace zv
