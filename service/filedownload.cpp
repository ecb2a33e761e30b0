#include "service/filedownload.h"

#include "service/downloadcache.h"
#include "service/logging.h"
#include "service/serviceaddress.h"

#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace zv {

namespace {
// Bounds what the network layer keeps in memory between two reads.
constexpr qint64 readBufferSize = 1024 * 1024;
} // namespace

FileDownload::FileDownload(QObject* parent) : QObject(parent) {}

bool FileDownload::run(QNetworkAccessManager& manager, const QString& relativePath,
                       QNetworkReply** replySlot)
{
    if (!isSafeRelativePath(relativePath)) {
        ZV_ERROR() << "downloadFile: refused a path that leaves the download cache: "
                   << relativePath;
        return false;
    }
    const QString target = cachePathOf(relativePath);
    if (!isTrustedCacheFile(target)) {
        ZV_ERROR() << "downloadFile: refused a cache path holding a symbolic link or another "
                      "user's file: "
                   << target;
        return false;
    }
    if (!makeCacheFolder(target.left(target.lastIndexOf(QLatin1Char('/')))))
        return false;

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        ZV_ERROR() << "Cannot write file: " << target << " " << file.errorString();
        return false;
    }

    QNetworkRequest request(serviceFileAddress(relativePath));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QEventLoop loop;
    QNetworkReply* reply = manager.get(request);
    reply->setReadBufferSize(readBufferSize);
    if (replySlot)
        *replySlot = reply;

    bool writeFailed = false;
    auto drain = [&] {
        while (!writeFailed && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(readBufferSize);
            if (file.write(chunk) != chunk.size()) {
                writeFailed = true;
                reply->abort();
            }
        }
    };
    connect(reply, &QNetworkReply::readyRead, &loop, drain);
    connect(reply, &QNetworkReply::downloadProgress, this, &FileDownload::progress);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    drain();

    const bool networkFailed = !writeFailed && reply->error() != QNetworkReply::NoError;
    const QString networkError = reply->errorString();
    if (replySlot && *replySlot == reply)
        *replySlot = nullptr;
    reply->deleteLater();

    if (networkFailed) {
        file.cancelWriting();
        ZV_ERROR() << "downloadFile: " << networkError;
        return false;
    }
    if (writeFailed) {
        const QString error = file.errorString();
        file.cancelWriting();
        ZV_ERROR() << "Cannot write file: " << target << " " << error;
        return false;
    }
    emit received();
    ZV_INFO() << "File is download: " << relativePath;
    if (!file.commit()) {
        ZV_ERROR() << "Cannot write file: " << target << " " << file.errorString();
        return false;
    }
    return true;
}

QString progressText(qint64 received, qint64 total)
{
    if (total <= 0)
        return QLocale::c().formattedDataSize(received, 1, QLocale::DataSizeTraditionalFormat);
    const double percent = double(received) / double(total) * 100.0;
    return QString::number(percent, 'g', 6).left(4) + QLatin1Char('%');
}

} // namespace zv
