#pragma once

#include <QString>
#include <QtGlobal>

class QNetworkAccessManager;
class QWidget;

namespace zv {

// The five values that decide how one connection manager reaches the network.
// The authorisation settings are deliberately not part of it: no proxy we
// build carries a user name or password.
struct ProxyChoice
{
    bool useProxy = false;
    bool fromBrowser = false;  // take host and port from the browser's settings
    bool httpProtocol = false; // HTTP proxy; otherwise SOCKS5
    QString address;
    quint16 port = 0;
};

// Read afresh from the settings store at every call: a change saved on the
// network page takes effect with the next request.
ProxyChoice storedProxyChoice();

// Gives the manager the proxy the choice asks for, or leaves it alone when no
// proxy is wanted. When the browser's settings lack the entry for the chosen
// protocol, an information box parented to messageParent says so and the
// manager keeps an unconfigured proxy, so the request that follows fails and
// its caller's own failure path runs.
void setNetworkProxy(QNetworkAccessManager& manager, const ProxyChoice& choice,
                     QWidget* messageParent);

} // namespace zv
