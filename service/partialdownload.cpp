#include "service/partialdownload.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>

namespace zv {

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
    QFile file(m_validatorPath);
    if (file.open(QIODevice::ReadOnly))
        *validator = file.readAll().trimmed();
    if (validator->isEmpty() || part.size() == 0) {
        validator->clear();
        discard();
        return 0;
    }
    return part.size();
}

bool PartialDownload::storeValidator(const QByteArray& validator) const
{
    QFile file(m_validatorPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(validator + '\n') == validator.size() + 1;
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

qint64 rangeStartOf(const QNetworkReply& reply)
{
    const QByteArray range = reply.rawHeader("Content-Range").trimmed();
    if (!range.startsWith("bytes "))
        return -1;
    const int dash = range.indexOf('-');
    bool ok = false;
    const qint64 start = range.mid(6, dash - 6).toLongLong(&ok);
    return ok && dash > 6 ? start : -1;
}

} // namespace zv
