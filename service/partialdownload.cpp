#include "service/partialdownload.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>

namespace zv {

namespace {
// A line of the validator file: the validator itself, then the whole size.
QByteArray validatorLine(const QString& path, int line)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(4096).split('\n').value(line).trimmed();
}
} // namespace

PartialDownload::PartialDownload(const QString& target)
    : m_partPath(target + QStringLiteral(".part")),
      m_validatorPath(target + QStringLiteral(".part.validator"))
{
}

qint64 PartialDownload::resumableSize(QByteArray* validator) const
{
    validator->clear();
    const QFileInfo part(m_partPath);
    if (!part.isFile()) {
        QFile::remove(m_validatorPath);
        return 0;
    }
    *validator = validatorLine(m_validatorPath, 0);
    if (validator->isEmpty() || part.size() == 0) {
        validator->clear();
        discard();
        return 0;
    }
    return part.size();
}

bool PartialDownload::storeValidator(const QByteArray& validator, qint64 total) const
{
    QByteArray lines = validator + '\n';
    if (total > 0)
        lines += QByteArray::number(total) + '\n';
    QFile file(m_validatorPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(lines) == lines.size();
}

qint64 PartialDownload::keptBytes() const
{
    const QFileInfo part(m_partPath);
    if (!part.isFile() || validatorLine(m_validatorPath, 0).isEmpty())
        return 0;
    return part.size();
}

qint64 PartialDownload::expectedTotal() const
{
    bool ok = false;
    const qint64 total = validatorLine(m_validatorPath, 1).toLongLong(&ok);
    return ok && total > 0 ? total : -1;
}

void PartialDownload::discard() const
{
    QFile::remove(m_partPath);
    QFile::remove(m_validatorPath);
}

QByteArray validatorOf(const QNetworkReply& reply)
{
    const QByteArray etag = reply.rawHeader("ETag").trimmed();
    if (etag.startsWith('"'))
        return etag;
    return reply.rawHeader("Last-Modified").trimmed();
}

ContentRange contentRangeOf(const QNetworkReply& reply)
{
    ContentRange range;
    const QByteArray header = reply.rawHeader("Content-Range").trimmed();
    const int slash = header.indexOf('/');
    if (!header.startsWith("bytes ") || slash < 0)
        return range;
    const QByteArray span = header.mid(6, slash - 6).trimmed();
    bool ok = false;
    const qint64 total = header.mid(slash + 1).trimmed().toLongLong(&ok);
    if (ok && total >= 0)
        range.total = total;
    const int dash = span.indexOf('-');
    bool firstOk = false;
    bool lastOk = false;
    const qint64 first = span.left(dash).toLongLong(&firstOk);
    const qint64 last = span.mid(dash + 1).toLongLong(&lastOk);
    if (dash > 0 && firstOk && lastOk && first >= 0 && first <= last) {
        range.first = first;
        range.last = last;
    }
    return range;
}

bool continuesTheFile(const ContentRange& range, qint64 offset)
{
    return offset > 0 && range.first == offset && range.total > offset &&
           range.last == range.total - 1;
}

} // namespace zv
