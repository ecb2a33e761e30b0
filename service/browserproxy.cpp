#include "service/browserproxy.h"

#include <QStringList>
#include <QUrl>

namespace zv {
namespace {

// Where a proxy URL names no port, curl and most tools take 1080.
constexpr int unnamedProxyPort = 1080;

QString firstSet(const QProcessEnvironment& environment, const QStringList& names)
{
    for (const QString& name : names) {
        const QString value = environment.value(name).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

QUrl proxyUrl(const QString& value, const QString& schemeWhenMissing)
{
    return QUrl(value.contains(QLatin1String("://"))
                    ? value
                    : schemeWhenMissing + QStringLiteral("://") + value,
                QUrl::TolerantMode);
}

QString hostAndPort(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return QString();
    return url.host() + QLatin1Char(':') + QString::number(url.port(unnamedProxyPort));
}

bool isSocksScheme(const QUrl& url)
{
    return url.scheme().startsWith(QLatin1String("socks"), Qt::CaseInsensitive);
}

} // namespace

QString browserProxyTextFromEnvironment(const QProcessEnvironment& environment)
{
    QStringList pieces;
    const QString http =
        firstSet(environment, {QStringLiteral("http_proxy"), QStringLiteral("HTTP_PROXY")});
    if (!http.isEmpty()) {
        const QString pair = hostAndPort(proxyUrl(http, QStringLiteral("http")));
        if (!pair.isEmpty())
            pieces << QStringLiteral("http=") + pair;
    }
    for (const QString& name : {QStringLiteral("all_proxy"), QStringLiteral("ALL_PROXY"),
                                QStringLiteral("socks_proxy")}) {
        const QString value = environment.value(name).trimmed();
        if (value.isEmpty())
            continue;
        // socks_proxy names a SOCKS server even without a scheme.
        const QUrl url =
            proxyUrl(value, name == QLatin1String("socks_proxy") ? QStringLiteral("socks5")
                                                                 : QStringLiteral("http"));
        if (!isSocksScheme(url))
            continue;
        const QString pair = hostAndPort(url);
        if (!pair.isEmpty()) {
            pieces << QStringLiteral("socks=") + pair;
            break;
        }
    }
    // A text without ";" counts as one pair for every protocol, scheme prefix
    // and all, so a lone piece keeps a ";" after it to stay a scheme=host:port
    // entry.
    QString text = pieces.join(QLatin1Char(';'));
    if (pieces.size() == 1)
        text += QLatin1Char(';');
    return text;
}

} // namespace zv
