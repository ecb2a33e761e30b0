#include "devserviceprocess.h"

#include <QtNetwork>

namespace zv::test {

QString DevServiceProcess::binaryPath()
{
    return qEnvironmentVariable("ZV_BIN_DIR", QCoreApplication::applicationDirPath()) +
           QStringLiteral("/zv-devservice");
}

bool DevServiceProcess::start(const Config& config)
{
    QStringList arguments{"--listen", QStringLiteral("127.0.0.1:%1").arg(config.listenPort), "--db",
                          m_dir.filePath("service.db")};
    if (!config.demo)
        arguments << "--no-demo";
    if (!config.filesDir.isEmpty())
        arguments << "--files" << config.filesDir;
    if (!config.fixedDate.isEmpty())
        arguments << "--date" << config.fixedDate;
    if (config.latencyMs > 0)
        arguments << "--latency-ms" << QString::number(config.latencyMs);
    if (config.record)
        arguments << "--record" << (m_recordPath = m_dir.filePath("record.jsonl"));
    arguments << config.extraArguments;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(binaryPath(), arguments);
    // The stand-in prints the address it listens on once it does.
    static const QRegularExpression address(QStringLiteral("(https?://[^ ]+:(\\d+)/)"));
    QByteArray output;
    while (m_process.waitForReadyRead(10000)) {
        const auto match = address.match(QString::fromUtf8(output += m_process.readAllStandardOutput()));
        if (match.hasMatch()) {
            m_baseUrl = match.captured(1);
            m_port = match.captured(2).toInt();
            return true;
        }
    }
    return false;
}

bool DevServiceProcess::sql(const QString& statement, QJsonArray* rows) const
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QNetworkRequest request(QUrl(m_baseUrl + QStringLiteral("api/")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QScopedPointer<QNetworkReply> reply(manager.post(request, statement.toUtf8()));
    QEventLoop loop;
    QObject::connect(reply.data(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError) {
        qWarning("devservice rejected statement: %s\n%s", body.constData(), qPrintable(statement));
        return false;
    }
    if (rows)
        *rows = QJsonDocument::fromJson(body).array();
    return true;
}

QJsonArray DevServiceProcess::recorded() const
{
    QJsonArray lines;
    QFile file(m_recordPath);
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                lines.append(QJsonDocument::fromJson(line).object());
    }
    return lines;
}

QStringList DevServiceProcess::recordedStatements() const
{
    QStringList texts;
    for (const QJsonValue& request : recorded())
        texts << QString::fromUtf8(QByteArray::fromBase64(request["body"].toString().toLatin1()));
    return texts;
}

void enableTestMode()
{
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace zv::test
