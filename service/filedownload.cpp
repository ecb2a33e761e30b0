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

// Qt reports an error of its own for 4xx and 5xx answers, but none for a
// redirect it was told not to follow: that body is a page about the move, not
// the archive, so it must fail as well.
QString unexpectedStatus(const QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.toInt();
    if (!status.isValid() || (code >= 200 && code < 300) || code >= 400)
        return QString();
    return QStringLiteral("the service answered with status %1 %2")
        .arg(code)
        .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
}

// A short write is retried with the rest, so that when the disk is full the
// write that fails outright carries the system's reason.
bool writeWhole(QSaveFile& file, const QByteArray& chunk)
{
    qint64 offset = 0;
    while (offset < chunk.size()) {
        const qint64 written = file.write(chunk.constData() + offset, chunk.size() - offset);
        if (written <= 0)
            return false;
        offset += written;
    }
    return true;
}

// The folder of the target exists and nothing on the way to it was planted
// by another account.
bool prepareTarget(const QString& target)
{
    const auto refuse = [&] {
        ZV_ERROR() << "downloadFile: refused a cache path holding a symbolic link or another "
                      "user's file: "
                   << target;
        return false;
    };
    if (!isTrustedCacheFile(target))
        return refuse();
    if (!makeCacheFolder(target.left(target.lastIndexOf(QLatin1Char('/')))))
        return false;
    return isTrustedCacheFile(target) || refuse();
}
} // namespace

FileDownload::FileDownload(QObject* parent) : QObject(parent) {}

bool FileDownload::fail(const QString& reason)
{
    m_failureReason = reason;
    return false;
}

bool FileDownload::run(QNetworkAccessManager& manager, const QString& relativePath,
                       QNetworkReply** replySlot)
{
    m_failureReason.clear();
    if (!isSafeRelativePath(relativePath)) {
        ZV_ERROR() << "downloadFile: refused a path that leaves the download cache: "
                   << relativePath;
        return fail(QStringLiteral("Недопустимый путь к файлу: %1").arg(relativePath));
    }
    const QString target = cachePathOf(relativePath);
    if (!prepareTarget(target))
        return fail(QStringLiteral("Папка загрузок недоступна: %1").arg(target));

    // The temporary file lies beside the target, so the final rename stays on
    // one file system and replaces the target in one step.
    // Unbuffered: the chunks are large already, and a full disk then shows at
    // the write that hit it, with the system's reason.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        ZV_ERROR() << "Cannot write file: " << target << " " << file.errorString();
        return fail(QStringLiteral("Не удалось записать файл: %1").arg(target));
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
    QString statusError;
    const auto drain = [&] {
        statusError = unexpectedStatus(*reply);
        if (!statusError.isEmpty()) {
            reply->abort();
            return;
        }
        while (!writeFailed && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(readBufferSize);
            if (!writeWhole(file, chunk)) {
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
    if (!writeFailed && statusError.isEmpty() && reply->error() == QNetworkReply::NoError)
        drain();

    // When the status or a write stopped the transfer, the reply's own error
    // only says it was aborted: the log names the real cause.
    const bool networkFailed = !writeFailed && statusError.isEmpty() &&
                               reply->error() != QNetworkReply::NoError;
    const QString networkError = reply->errorString();
    if (replySlot && *replySlot == reply)
        *replySlot = nullptr;
    reply->deleteLater();

    if (networkFailed || !statusError.isEmpty()) {
        file.cancelWriting();
        ZV_ERROR() << "downloadFile: " << (networkFailed ? networkError : statusError);
        return fail(QStringLiteral("Файл не скачан: %1")
                        .arg(networkFailed ? networkError : statusError));
    }
    if (writeFailed) {
        const QString error = file.errorString();
        file.cancelWriting();
        ZV_ERROR() << "Cannot write file: " << target << " " << error;
        return fail(QStringLiteral("Не удалось записать файл: %1").arg(target));
    }
    emit received();
    ZV_INFO() << "File is download: " << relativePath;
    if (!file.commit()) {
        ZV_ERROR() << "Cannot write file: " << target << " " << file.errorString();
        return fail(QStringLiteral("Не удалось записать файл: %1").arg(target));
    }
    return true;
}

QString progressText(qint64 received, qint64 total)
{
    if (total <= 0) {
        // Sizes as the Russian Windows Explorer writes them.
        if (received < 1024)
            return QString::number(received) + QStringLiteral(" байт");
        static const char* const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
        double size = double(received) / 1024.0;
        int unit = 0;
        while (size >= 1024.0 && unit < 3) {
            size /= 1024.0;
            ++unit;
        }
        QLocale russian(QLocale::Russian);
        russian.setNumberOptions(QLocale::OmitGroupSeparator);
        return russian.toString(size, 'f', 1) + QLatin1Char(' ') + QString::fromUtf8(units[unit]);
    }
    const double percent = double(received) / double(total) * 100.0;
    return QString::number(percent, 'g', 6).left(4) + QLatin1Char('%');
}

} // namespace zv
