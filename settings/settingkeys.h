#pragma once

#include <QString>
#include <QVariant>

#include <utility>
#include <vector>

// The keys of the settings store, with their first-run defaults. Readers pass
// no default of their own: a missing key reads as false, 0 or empty text.
namespace zv::keys {

inline const QString generalAutostart = QStringLiteral("general/autostart");
inline const QString generalOnlyNew = QStringLiteral("general/onlynew");
inline const QString generalCheckUpdateNumber = QStringLiteral("general/checkupdatenumber");
inline const QString generalHoursOrDay = QStringLiteral("general/hoursorday");
inline const QString generalUseRik = QStringLiteral("general/userik");
inline const QString generalUseGrand = QStringLiteral("general/usegrand");
inline const QString networkProxyUse = QStringLiteral("network/proxyuse");
inline const QString networkProxyBrowser = QStringLiteral("network/proxybrowser");
inline const QString networkProxyCustom = QStringLiteral("network/proxycustom");
inline const QString networkProxySocks5 = QStringLiteral("network/proxySOCKS5");
inline const QString networkProxyHttp = QStringLiteral("network/proxyHTTP");
inline const QString networkProxyAddress = QStringLiteral("network/proxyaddress");
inline const QString networkProxyPort = QStringLiteral("network/proxyport");
inline const QString networkProxyAuth = QStringLiteral("network/proxyauth");
inline const QString networkProxyUser = QStringLiteral("network/proxyuser");
inline const QString networkProxyPass = QStringLiteral("network/proxypass");
inline const QString rikKey = QStringLiteral("rik/key");
inline const QString rikPath = QStringLiteral("rik/path");
inline const QString grandKeySerial = QStringLiteral("grand/keyserial");
inline const QString grandKeyNumber = QStringLiteral("grand/keynumber");
inline const QString grandPath = QStringLiteral("grand/path");

// First-run defaults in the order they are written. general/autostart comes
// first: the autostart entry is written right after it, before the rest.
inline std::vector<std::pair<QString, QVariant>> firstRunDefaults()
{
    return {
        {generalAutostart, true},
        {generalOnlyNew, true},
        {generalCheckUpdateNumber, 1},
        {generalHoursOrDay, QStringLiteral("d")},
        {generalUseRik, false},
        {generalUseGrand, false},
        {networkProxyUse, false},
        {networkProxyBrowser, true},
        {networkProxyCustom, false},
        {networkProxySocks5, false},
        {networkProxyHttp, true},
        {networkProxyAddress, QString()},
        {networkProxyPort, 0},
        {networkProxyAuth, false},
        {networkProxyUser, QString()},
        {networkProxyPass, QString()},
        {rikKey, QString()},
        {rikPath, QString()},
        {grandKeyNumber, QString()},
        {grandKeySerial, QString()},
        {grandPath, QString()},
    };
}

} // namespace zv::keys
