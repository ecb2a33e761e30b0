#include "service/filedownload.h"

#include "service/actionstop.h"
#include "service/downloadcache.h"
#include "service/downloadroom.h"
#include "service/logging.h"
#include "service/networkerrortext.h"
#include "service/partialdownload.h"
#include "service/serviceaddress.h"

#include <QEventLoop>
#include <QFile>
#include <QHttp2Configuration>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>

namespace zv {

namespace {
// Bounds what the network layer keeps in memory between two reads.
constexpr qint64 readBufferSize = 1024 * 1024;
// Qt's HTTP/2 ignores the read buffer's size: the stream's window bounds what
// may wait in memory instead. 16 MB keeps HTTP/2 as fast as HTTP/1.1 through
// nginx; 1 MB made a 300 MB download about three times slower.
constexpr quint32 http2StreamWindow = 16 * 1024 * 1024;

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
bool writeWhole(QFile& file, const QByteArray& chunk)
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

// Empty when the folder of the target exists and nothing on the way to it,
// nor the target, its part or the part's validator, was planted by another
// account; otherwise the reason for the user.
QString prepareTarget(const QString& target, const PartialDownload& part)
{
    const auto refuse = [&] {
        ZV_ERROR() << "downloadFile: refused a cache path holding a symbolic link or another "
                      "user's file: "
                   << target;
        return QStringLiteral("Папка загрузок содержит чужой файл или ссылку: %1").arg(target);
    };
    if (!isTrustedCacheFile(target))
        return refuse();
    const QString folder = target.left(target.lastIndexOf(QLatin1Char('/')));
    if (!makeCacheFolder(folder))
        return QStringLiteral("Не удалось создать папку загрузок: %1").arg(folder);
    for (const QString& path : {target, part.partPath(), part.validatorPath()}) {
        if (!isTrustedCacheFile(path))
            return refuse();
    }
    return QString();
}

QString networkFailureReason(const QNetworkReply& reply, const QString& relativePath)
{
    switch (reply.error()) {
    case QNetworkReply::ContentNotFoundError:
        return QStringLiteral("Файл не найден на сервисе: %1").arg(relativePath);
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Сертификат сервиса не прошёл проверку, соединение не установлено");
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("Нет связи с сервисом. ") +
               networkErrorText(reply.error(), reply.errorString());
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("Связь с сервисом прервалась, загрузка продолжится с места обрыва");
    default:
        return QStringLiteral("Не удалось скачать файл. ") +
               networkErrorText(reply.error(), reply.errorString());
    }
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
        return fail(QStringLiteral("Недопустимый путь файла на сервисе: %1").arg(relativePath));
    }
    const QString target = cachePathOf(relativePath);
    const QString folder = target.left(target.lastIndexOf(QLatin1Char('/')));
    const PartialDownload part(target);
    const QString refused = prepareTarget(target, part);
    if (!refused.isEmpty())
        return fail(refused);
    if (m_stop && m_stop->isRequested())
        return fail(m_stop->reason());

    QByteArray validator;
    const qint64 offset = part.resumableSize(&validator);
    QNetworkRequest request(serviceFileAddress(relativePath));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Over TLS a service that speaks HTTP/2 sends the file as one stream; one
    // that does not keeps HTTP/1.1 (ALPN). Plain HTTP asks for no upgrade.
    if (request.url().scheme() == QLatin1String("https")) {
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, true);
        QHttp2Configuration http2 = request.http2Configuration();
        http2.setStreamReceiveWindowSize(http2StreamWindow);
        http2.setSessionReceiveWindowSize(2 * http2StreamWindow);
        request.setHttp2Configuration(http2);
    }
    if (offset > 0) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(offset) + '-');
        request.setRawHeader("If-Range", validator);
        ZV_INFO() << "downloadFile: continuing " << relativePath << " from byte " << offset;
    }
    QEventLoop loop;
    QNetworkReply* reply = manager.get(request);
    reply->setReadBufferSize(readBufferSize);
    if (replySlot)
        *replySlot = reply;

    // Unbuffered: the chunks are large already, and a full disk then shows at
    // the write that hit it, with the system's reason.
    QFile file(part.partPath());
    qint64 written = 0;
    bool begun = false;
    QString failure;
    QString failureLog;
    bool keepPart = true;
    const auto stopWith = [&](const QString& reason, const QString& log, bool keep) {
        if (!failure.isEmpty())
            return;
        failure = reason;
        failureLog = log;
        keepPart = keep;
        reply->abort();
    };
    const auto status = [&] {
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };

    // Decides, once the answer's head is in, where its body goes.
    const auto begin = [&] {
        begun = true;
        const QString unexpected = unexpectedStatus(*reply);
        if (!unexpected.isEmpty()) {
            stopWith(QStringLiteral("Сервис ответил кодом %1 вместо файла").arg(status()),
                     QStringLiteral("downloadFile: ") + unexpected, false);
            return;
        }
        // An error page is not the file; Qt reports its status when the
        // reply finishes.
        if (status() >= 400)
            return;
        qint64 start = 0;
        if (status() == 206) {
            // Only the exact rest of the same version makes the file whole: a
            // shorter range joined to the part would be taken for the file.
            const ContentRange range = contentRangeOf(*reply);
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (!continuesTheFile(range, offset) || validatorOf(*reply) != validator ||
                (length.isValid() && length.toLongLong() != range.total - offset)) {
                stopWith(QStringLiteral("Сервис прислал не ту часть файла, загрузка начнётся "
                                        "заново"),
                         QStringLiteral("downloadFile: the range answered (") +
                             QString::fromLatin1(reply->rawHeader("Content-Range")) +
                             QStringLiteral(") is not the rest of ") + part.partPath() +
                             QStringLiteral(" from byte ") + QString::number(offset),
                         false);
                return;
            }
            start = offset;
        } else {
            // The whole file: nothing was asked for, or the part belongs to a
            // version the service no longer has.
            if (offset > 0)
                ZV_INFO() << "downloadFile: the service sent the whole file again: "
                          << relativePath;
            part.discard();
        }
        const QString shortfall = roomShortfall(
            folder, reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
        if (!shortfall.isEmpty()) {
            stopWith(shortfall, QStringLiteral("Cannot write file: ") + target + ' ' + shortfall,
                     start > 0);
            return;
        }
        const QIODevice::OpenMode mode =
            QIODevice::WriteOnly | QIODevice::Unbuffered |
            (start > 0 ? QIODevice::Append : QIODevice::Truncate);
        if (!file.open(mode)) {
            stopWith(QStringLiteral("Не удалось записать файл %1: %2").arg(target, file.errorString()),
                     QStringLiteral("Cannot write file: ") + target + ' ' + file.errorString(),
                     start > 0);
            return;
        }
        const QByteArray answerValidator = validatorOf(*reply);
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (start == 0 && !answerValidator.isEmpty())
            part.storeValidator(answerValidator, length.isValid() ? length.toLongLong() : -1);
    };
    const auto drain = [&] {
        if (!failure.isEmpty())
            return;
        if (!begun)
            begin();
        if (!failure.isEmpty())
            return;
        if (!file.isOpen()) {
            reply->readAll();
            return;
        }
        while (failure.isEmpty() && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(readBufferSize);
            written += chunk.size();
            if (!writeWhole(file, chunk)) {
                // A full disk is better served by freeing the part than by
                // keeping it for a later try.
                stopWith(QStringLiteral("Не удалось записать файл %1: %2")
                             .arg(target, file.errorString()),
                         QStringLiteral("Cannot write file: ") + target + ' ' + file.errorString(),
                         false);
            }
        }
        // Told per chunk written rather than by Qt's own progress signal,
        // which Qt holds back for a while: a stop asked at the first report
        // then finds the transfer still early, whatever the line's speed.
        const qint64 base = status() == 206 ? offset : 0;
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        emit progress(base + written, announced.isValid() ? base + announced.toLongLong() : -1);
    };

    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(m_stallSeconds * 1000);
    connect(&stall, &QTimer::timeout, &loop, [&] {
        stopWith(QStringLiteral("Сервис не присылает данные %1 секунд, загрузка прервана")
                     .arg(m_stallSeconds),
                 QStringLiteral("downloadFile: no data for %1 s").arg(m_stallSeconds), true);
    });
    if (m_stop)
        connect(m_stop, &ActionStop::stopRequested, &loop, [&] {
            stopWith(m_stop->reason(), QStringLiteral("downloadFile: stopped: ") + m_stop->reason(),
                     true);
        });
    connect(reply, &QNetworkReply::readyRead, &loop, drain);
    // Never ignored: the reply then fails with a handshake error. The log
    // says which check the certificate failed.
    connect(reply, &QNetworkReply::sslErrors, &loop, [](const QList<QSslError>& errors) {
        for (const QSslError& error : errors)
            ZV_ERROR() << "downloadFile: certificate refused: " << error.errorString();
    });
    connect(reply, &QNetworkReply::downloadProgress, &loop, [&] { stall.start(); });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    stall.start();
    if (!reply->isFinished())
        loop.exec();
    stall.stop();
    if (!reply->isFinished()) {
        // The loop was ended from outside, by the client quitting: what came
        // so far stays a part and is never taken for the whole file.
        disconnect(reply, nullptr, &loop, nullptr);
        stopWith(QStringLiteral("Загрузка прервана до завершения"),
                 QStringLiteral("downloadFile: the transfer was interrupted before it finished"),
                 true);
    }
    if (failure.isEmpty() && reply->error() == QNetworkReply::NoError) {
        drain();
        // Qt at times reports a connection the service closed mid-body as a
        // finished reply: fewer bytes than announced is a broken transfer.
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (failure.isEmpty() && announced.isValid() && written < announced.toLongLong()) {
            failure = QStringLiteral("Связь с сервисом прервалась, загрузка продолжится с места "
                                     "обрыва");
            failureLog = QStringLiteral("downloadFile: the answer ended after %1 of %2 bytes")
                             .arg(written)
                             .arg(announced.toLongLong());
        }
    }
    // A part that already is the whole file leaves nothing to ask for: the
    // service refuses a range past the end, and the part is the file.
    bool partIsWhole = false;
    if (failure.isEmpty() && status() == 416) {
        const QByteArray answered = validatorOf(*reply);
        partIsWhole = offset > 0 && contentRangeOf(*reply).total == offset &&
                      (answered.isEmpty() || answered == validator);
        if (partIsWhole) {
            ZV_INFO() << "downloadFile: the part kept is the whole file: " << relativePath;
            emit progress(offset, offset);
        } else {
            failure = QStringLiteral("Сервис не смог продолжить загрузку с места обрыва, файл "
                                     "будет скачан заново");
            failureLog = QStringLiteral("downloadFile: the range from byte %1 was refused (%2)")
                             .arg(offset)
                             .arg(QString::fromLatin1(reply->rawHeader("Content-Range")));
            keepPart = false;
        }
    }
    if (failure.isEmpty() && !partIsWhole && reply->error() != QNetworkReply::NoError) {
        failure = networkFailureReason(*reply, relativePath);
        failureLog = QStringLiteral("downloadFile: ") + reply->errorString();
        // A dropped connection leaves a part worth continuing; an error
        // status says the file is not there to continue.
        keepPart = status() < 400;
    }
    file.close();
    if (replySlot && *replySlot == reply)
        *replySlot = nullptr;
    disconnect(reply, nullptr, &loop, nullptr);
    reply->deleteLater();

    if (!failure.isEmpty()) {
        if (!keepPart || !QFile::exists(part.validatorPath()))
            part.discard();
        ZV_ERROR() << failureLog;
        return fail(failure);
    }
    emit received();
    ZV_INFO() << "File is download: " << relativePath;
    if ((QFile::exists(target) && !QFile::remove(target)) ||
        !QFile::rename(part.partPath(), target)) {
        ZV_ERROR() << "Cannot write file: " << target << " " << file.errorString();
        part.discard();
        return fail(QStringLiteral("Не удалось записать файл %1").arg(target));
    }
    QFile::remove(part.validatorPath());
    return true;
}

} // namespace zv
