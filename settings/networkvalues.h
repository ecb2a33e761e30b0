#pragma once

#include "service/proxy.h"

#include <QString>

class QSettings;

namespace zv {

// What the network page edits, as it stands in its controls.
struct NetworkValues
{
    bool useProxy = false;
    bool fromBrowser = false;
    bool custom = false;
    bool http = false;
    bool socks5 = false;
    QString address;
    QString port;
    bool auth = false;
    QString user;
    QString password;
};

// Reads the network/* keys; a missing key reads as false or empty.
NetworkValues loadNetworkValues(const QSettings& store);

// Writes the network/* keys, texts as typed.
void saveNetworkValues(QSettings& store, const NetworkValues& values);

// The proxy the controls describe, before they are saved. A port that is not
// a number is 0; a number is cut to its low 16 bits as the stored one is.
ProxyChoice proxyChoiceOf(const NetworkValues& values);

} // namespace zv
