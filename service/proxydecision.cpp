#include "service/proxydecision.h"

#include <QStringList>
#include <QVariant>

namespace zv {
namespace {

QNetworkProxy makeProxy(QNetworkProxy::ProxyType type, const QString& host, quint16 port)
{
    // User and password stay empty whatever the authorisation settings say.
    return QNetworkProxy(type, host, port, QString(), QString());
}

quint16 low16Bits(qint64 value)
{
    return static_cast<quint16>(value & 0xFFFF);
}

} // namespace

BrowserProxyEntries browserProxyEntries(const QString& text)
{
    BrowserProxyEntries entries;
    if (!text.contains(QLatin1Char(';'))) {
        // One pair for all protocols; a scheme prefix, if any, stays in it.
        entries.http = text;
        return entries;
    }
    const QStringList pieces = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    for (QString piece : pieces) {
        if (piece.contains(QLatin1String("http="))) {
            entries.http = piece.remove(QLatin1String("http="));
        } else if (piece.contains(QLatin1String("socks"))) {
            entries.socks = piece.remove(QLatin1String("socks="));
        }
    }
    return entries;
}

ProxyDecision decideProxy(const ProxyChoice& choice,
                          const std::function<QString()>& readBrowserText)
{
    ProxyDecision decision;
    if (!choice.useProxy)
        return decision;

    const QNetworkProxy::ProxyType type =
        choice.httpProtocol ? QNetworkProxy::HttpProxy : QNetworkProxy::Socks5Proxy;
    if (!choice.fromBrowser) {
        // The stored address and port go in as they are; an empty address
        // simply makes the request fail.
        decision.action = ProxyDecision::Action::SetProxy;
        decision.proxy = makeProxy(type, choice.address, choice.port);
        return decision;
    }

    const BrowserProxyEntries entries = browserProxyEntries(readBrowserText());
    const QString& entry = choice.httpProtocol ? entries.http : entries.socks;
    if (entry.isEmpty() || !entry.contains(QLatin1Char(':'))) {
        decision.action = ProxyDecision::Action::Unconfigured;
        decision.proxy = makeProxy(QNetworkProxy::HttpProxy, QString(), 0);
        decision.message =
            choice.httpProtocol
                ? QStringLiteral("Не найдена или неверно введена настройка для HTTP "
                                 "прокси-сервера. HTTP = ") +
                      entry
                : QStringLiteral("Не найдена или неверно введена настройка для SOCKS5 "
                                 "прокси-сервера. SOCKS5 = ") +
                      entry;
        return decision;
    }

    const QStringList parts = entry.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    bool isNumber = false;
    const qint64 port = parts.at(1).toLongLong(&isNumber);
    decision.action = ProxyDecision::Action::SetProxy;
    decision.proxy = makeProxy(type, parts.at(0), isNumber ? low16Bits(port) : 0);
    return decision;
}

quint16 portFromSetting(const QVariant& stored)
{
    bool isNumber = false;
    const qint64 value = stored.toLongLong(&isNumber);
    return isNumber ? low16Bits(value) : 0;
}

} // namespace zv
