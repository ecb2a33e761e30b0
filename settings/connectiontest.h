#pragma once

#include "service/proxy.h"

#include <QNetworkReply>
#include <QString>

class QWidget;

namespace zv {

struct ConnectionTestOutcome
{
    bool ok = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText; // the network layer's text when not ok
    QString proxyHost; // host of the proxy the request went through; empty without one
};

// One GET of the service's base address (final "/" included) through a
// manager of its own, with the given proxy applied (its messages parented to
// messageParent). Only the reply's error state counts: an HTTP error status
// is a failure, any body of a successful reply is a success. The wait runs in a local event loop; a
// connection that stays silent for silenceLimitMs is given up as failed.
ConnectionTestOutcome testServiceConnection(const ProxyChoice& proxy, QWidget* messageParent,
                                            int silenceLimitMs);

// "Подключение не удалось. ", the reason in Russian with the network layer's
// text in brackets, then the proxy host when a proxy was in use.
QString connectionFailureText(const ConnectionTestOutcome& outcome);

} // namespace zv
