#include "service/serviceaddress.h"

namespace zv {
namespace {
QString& baseAddress()
{
    static QString base = QStringLiteral(ZV_SERVICE_URL);
    return base;
}
} // namespace

QString serviceBaseAddress()
{
    return baseAddress();
}

void setServiceBaseAddress(const QString& base)
{
    baseAddress() = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
}

QUrl serviceApiAddress()
{
    return QUrl(serviceBaseAddress() + QStringLiteral("api/"), QUrl::TolerantMode);
}

QUrl serviceFileAddress(const QString& relativePath)
{
    return QUrl(serviceBaseAddress() + relativePath, QUrl::TolerantMode);
}

} // namespace zv
