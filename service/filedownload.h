#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace zv {

class ActionStop;

// Fetches one file of the service into the download cache.
//
// The body is streamed into "<cache path>.part" as it arrives and renamed to
// the cache path only when the reply finished without error and every write
// succeeded: memory stays flat whatever the archive's size, and an interrupted
// or failed download never leaves a file at the cache path. A transfer that
// broke off (the connection dropped, the user or the shutdown stopped it, or
// no byte came for stallSeconds()) keeps its part, and the next download of the
// same file asks only for the rest of the same version.
class FileDownload : public QObject
{
    Q_OBJECT
public:
    static constexpr int defaultStallSeconds = 60;

    explicit FileDownload(QObject* parent = nullptr);

    // How long a transfer may go without a byte before it is given up.
    int stallSeconds() const { return m_stallSeconds; }
    void setStallSeconds(int seconds) { m_stallSeconds = seconds; }

    // A request on it aborts the transfer; the download then fails with the
    // stop's reason.
    void setStop(const ActionStop* stop) { m_stop = stop; }

    // GET serviceFileAddress(relativePath) on the given manager (the caller
    // has applied its proxy choice to it), waiting in a local event loop.
    // True when the file lies complete at cachePathOf(relativePath). While the
    // reply is in flight it is also stored in *replySlot when one is given.
    bool run(QNetworkAccessManager& manager, const QString& relativePath,
             QNetworkReply** replySlot = nullptr);

    // Empty after a success; otherwise one sentence for the user.
    QString failureReason() const { return m_failureReason; }

signals:
    void progress(qint64 received, qint64 total);
    // The whole body has arrived without a network error.
    void received();

private:
    bool fail(const QString& reason);

    const ActionStop* m_stop = nullptr;
    int m_stallSeconds = defaultStallSeconds;
    QString m_failureReason;
};

} // namespace zv
