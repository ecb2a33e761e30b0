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

namespace {
// The unit a size is written in, and how many bytes make one of it.
struct SizeUnit
{
    double bytes;
    QString name;
};

SizeUnit unitFor(qint64 bytes)
{
    static const char* const names[] = {"КБ", "МБ", "ГБ", "ТБ", "ПБ"};
    double unitBytes = 1024.0;
    int unit = 0;
    while (double(bytes) / unitBytes >= 1024.0 && unit < 4) {
        unitBytes *= 1024.0;
        ++unit;
    }
    return {unitBytes, QString::fromUtf8(names[unit])};
}

QString number(double value, int decimals)
{
    QLocale russian(QLocale::Russian);
    russian.setNumberOptions(QLocale::OmitGroupSeparator);
    return russian.toString(value, 'f', decimals);
}
} // namespace

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
    const SizeUnit unit = unitFor(bytes);
    const double size = double(bytes) / unit.bytes;
    const int decimals = fixedDecimals >= 0 ? fixedDecimals : size < 10.0 ? 1 : 0;
    return number(size, decimals) + QLatin1Char(' ') + unit.name;
}

QString sizeOfText(qint64 done, qint64 total)
{
    if (total < 1024)
        return total > 0 ? QStringLiteral("%1 из %2").arg(done).arg(sizeText(total))
                         : sizeText(done, 1);
    // Both in the total's unit; the part with its tenths, so it moves.
    const SizeUnit unit = unitFor(total);
    const double whole = double(total) / unit.bytes;
    return number(double(done) / unit.bytes, 1) + QStringLiteral(" из ") +
           number(whole, whole < 10.0 ? 1 : 0) + QLatin1Char(' ') + unit.name;
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
