#pragma once

#include <QByteArray>
#include <QString>

class QNetworkReply;

namespace zv {

// What a broken-off download leaves for the next one: the bytes received so
// far in "<cache path>.part", and beside them in "<cache path>.part.validator"
// the validator the service gave for that version of the file (its strong
// ETag, else its Last-Modified date). The next download asks for the rest
// only of that same version (Range with If-Range), so bytes of two versions
// are never joined.
class PartialDownload
{
public:
    explicit PartialDownload(const QString& target);

    QString partPath() const { return m_partPath; }
    QString validatorPath() const { return m_validatorPath; }

    // The size of the part that can be continued, and its validator. A part
    // whose validator is unknown could belong to any version of the file: it
    // is removed, and the answer is 0.
    qint64 resumableSize(QByteArray* validator) const;
    // The whole file's size, when the service said it, rides along on the
    // validator's second line, so a part can say how much of what it is.
    bool storeValidator(const QByteArray& validator, qint64 total = -1) const;
    // What a part kept for continuing holds, and of how much; without
    // touching it. 0 and -1 when there is none or it cannot be continued.
    qint64 keptBytes() const;
    qint64 expectedTotal() const;
    void discard() const;

private:
    QString m_partPath;
    QString m_validatorPath;
};

// The validator an answer carries: a strong ETag, else Last-Modified; empty
// when it has neither (a weak ETag cannot ask for a range).
QByteArray validatorOf(const QNetworkReply& reply);

// An answer's Content-Range: "bytes 500-999/1000" gives 500, 999 and 1000,
// "bytes */1000" (a range refused) only the total; -1 for what the header
// does not say or when it is missing or malformed.
struct ContentRange
{
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1;
};
ContentRange contentRangeOf(const QNetworkReply& reply);

// A 206 answer is the rest of the file after the offset bytes kept: from
// that byte to the last one of a file whose total it names.
bool continuesTheFile(const ContentRange& range, qint64 offset);

} // namespace zv
