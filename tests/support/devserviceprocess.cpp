#include "devserviceprocess.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>

namespace zv::test {

DevServiceProcess::~DevServiceProcess()
{
    stop();
}

QString DevServiceProcess::binaryPath()
{
    const QString dir = qEnvironmentVariable("ZV_BIN_DIR", QCoreApplication::applicationDirPath());
    return dir + QStringLiteral("/zv-devservice");
}

bool DevServiceProcess::start(const Config& config)
{
    QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(config.listenPort),
                          QStringLiteral("--db"),
                          config.dbPath.isEmpty() ? m_dir.filePath(QStringLiteral("service.db"))
                                                  : config.dbPath};
    if (!config.demo)
        arguments << QStringLiteral("--no-demo");
    if (!config.filesDir.isEmpty())
        arguments << QStringLiteral("--files") << config.filesDir;
    if (!config.fixedDate.isEmpty())
        arguments << QStringLiteral("--date") << config.fixedDate;
    if (config.latencyMs > 0)
        arguments << QStringLiteral("--latency-ms") << QString::number(config.latencyMs);
    if (config.record) {
        m_recordPath = m_dir.filePath(QStringLiteral("record.jsonl"));
        arguments << QStringLiteral("--record") << m_recordPath;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(binaryPath(), arguments);
    if (!m_process.waitForStarted(10000))
        return false;
    static const QRegularExpression address(QStringLiteral("(http://[^ ]+:(\\d+)/)"));
    QByteArray output;
    while (m_process.waitForReadyRead(10000)) {
        output += m_process.readAllStandardOutput();
        const auto match = address.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            m_baseUrl = match.captured(1);
            m_port = match.captured(2).toInt();
            return true;
        }
    }
    return false;
}

void DevServiceProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool DevServiceProcess::sql(const QString& statement, QJsonArray* rows) const
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QNetworkRequest request(QUrl(m_baseUrl + QStringLiteral("api/")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = manager.post(request, statement.toUtf8());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const bool ok = reply->error() == QNetworkReply::NoError;
    const QByteArray body = reply->readAll();
    if (!ok)
        qWarning("devservice rejected statement: %s\n%s", body.constData(),
                 statement.toUtf8().constData());
    if (ok && rows)
        *rows = QJsonDocument::fromJson(body).array();
    delete reply;
    return ok;
}

QJsonArray DevServiceProcess::recorded() const
{
    QJsonArray lines;
    QFile file(m_recordPath);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            lines.append(QJsonDocument::fromJson(line).object());
    }
    return lines;
}

QStringList DevServiceProcess::recordedStatements() const
{
    QStringList texts;
    for (const QJsonValue& request : recorded())
        texts << QString::fromUtf8(
            QByteArray::fromBase64(request.toObject().value(QStringLiteral("body")).toString().toLatin1()));
    return texts;
}

int unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

void enableTestMode()
{
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace zv::test
