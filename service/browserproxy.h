#pragma once

#include <QProcessEnvironment>
#include <QString>

// The proxy the user configured for the browsers, in the form of the Windows
// "ProxyServer" value: one host:port pair, or "scheme=host:port" pieces joined
// by ";". Empty when none is configured.
namespace zv {

// Windows: the "ProxyServer" value of the current user's Internet Settings.
// Elsewhere: built from the proxy variables of the environment.
QString browserProxyText();

// http_proxy (or HTTP_PROXY) gives "http=host:port"; all_proxy (or ALL_PROXY)
// or socks_proxy with a socks scheme gives "socks=host:port"; joined by ";",
// and a lone piece followed by ";" so that it is still read as its scheme's.
QString browserProxyTextFromEnvironment(const QProcessEnvironment& environment);

} // namespace zv
