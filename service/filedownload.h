#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace zv {

// Fetches one file of the service into the download cache.
//
// The body is streamed into a temporary file beside the target as it arrives
// and renamed over the target only when the reply finished without error and
// every write succeeded: memory stays flat whatever the archive's size, and an
// interrupted or failed download never leaves a file at the cache path.
class FileDownload : public QObject
{
    Q_OBJECT
public:
    explicit FileDownload(QObject* parent = nullptr);

    // GET serviceFileAddress(relativePath) on the given manager (the caller
    // has applied its proxy choice to it), waiting in a local event loop.
    // True when the file lies complete at cachePathOf(relativePath). While the
    // reply is in flight it is also stored in *replySlot when one is given.
    bool run(QNetworkAccessManager& manager, const QString& relativePath,
             QNetworkReply** replySlot = nullptr);

    // Why the last run failed, in one sentence for the user; empty after a
    // success.
    QString failureReason() const { return m_failureReason; }

signals:
    void progress(qint64 received, qint64 total);
    // The whole body has arrived without a network error.
    void received();

private:
    bool fail(const QString& reason);

    QString m_failureReason;
};

// The status-cell text of a download in progress: the percentage with at most
// six significant digits, cut to four characters, then "%" (456 of 1000 gives
// "45.6%", 1 of 30000 "0.00%"). Without a known total, the size received.
QString progressText(qint64 received, qint64 total);

} // namespace zv
