#include "service/downloadroom.h"

#include <QDir>
#include <QLocale>
#include <QStorageInfo>

namespace zv {

qint64 freeSpaceAt(const QString& folder)
{
    const QStorageInfo volume(folder);
    return volume.isValid() ? volume.bytesAvailable() : -1;
}

QString volumeNameOf(const QString& folder)
{
    const QStorageInfo volume(folder);
    return QDir::toNativeSeparators(volume.isValid() ? volume.rootPath() : folder);
}

bool diskIsFullAt(const QString& folder)
{
    // Below a megabyte the file system's own reserve and the next table
    // copy no longer fit; a failure there is not worth another try.
    const qint64 available = freeSpaceAt(folder);
    return available >= 0 && available < 1024 * 1024;
}

QString sizeText(qint64 bytes, int fixedDecimals)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" байт");
    static const char* const units[] = {"КБ", "МБ", "ГБ", "ТБ", "ПБ"};
    double size = double(bytes) / 1024.0;
    int unit = 0;
    while (size >= 1024.0 && unit < 4) {
        size /= 1024.0;
        ++unit;
    }
    QLocale russian(QLocale::Russian);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    const int decimals = fixedDecimals >= 0 ? fixedDecimals : size < 10.0 ? 1 : 0;
    return russian.toString(size, 'f', decimals) + QLatin1Char(' ') +
           QString::fromUtf8(units[unit]);
}

QString roomShortfall(const QString& folder, qint64 needed)
{
    const qint64 available = freeSpaceAt(folder);
    if (needed <= 0 || available < 0 || needed <= available)
        return QString();
    return QStringLiteral("Недостаточно места на диске %1: нужно %2, свободно %3")
        .arg(volumeNameOf(folder), sizeText(needed), sizeText(available));
}

} // namespace zv
