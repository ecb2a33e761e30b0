#include "devserviceprocess.h"

#include <QtNetwork>

namespace zv::test {

QString DevServiceProcess::binaryPath()
{
    return qEnvironmentVariable("ZV_BIN_DIR", QCoreApplication::applicationDirPath()) +
           QStringLiteral("/zv-devservice");
}

QString trustedTestAuthority()
{
    static QTemporaryDir authority;
    if (!QFileInfo::exists(authority.filePath("ca.pem"))) {
        QProcess::execute("sh", {ZV_SOURCE_DIR "/tests/service/maketestauthority.sh", authority.path()});
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.setCaCertificates(QSslCertificate::fromPath(authority.filePath("ca.pem")));
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    return authority.path();
}

DevServiceProcess::~DevServiceProcess()
{
    for (QProcess* server : {&m_process, &m_nginx, &m_mariadb}) {
        server->terminate();
        server->waitForFinished(30000);
    }
}

bool DevServiceProcess::startScript(QProcess& process, const char* script, const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start("sh", QStringList{ZV_SOURCE_DIR "/tests/support/" + QString(script), m_dir.filePath(script)} + arguments);
    while (process.waitForReadyRead(60000))
        if (process.readAllStandardOutput().contains("ready"))
            return true;
    return false;
}

QString DevServiceProcess::frontLog() const
{
    QFile log(m_dir.filePath("nginx-front/access.log"));
    return log.open(QIODevice::ReadOnly) ? QString(log.readAll()) : QString();
}

bool DevServiceProcess::start(const Config& config)
{
    QStringList arguments{"--listen", QStringLiteral("127.0.0.1:%1").arg(config.listenPort), "--db",
                          config.mariadb ? "zv" : m_dir.filePath("service.db")};
    if (config.mariadb && !startScript(m_mariadb, "mariadb-server", {}))
        return false;
    if (config.mariadb)
        arguments << "--engine" << "mariadb" << "--mariadb-socket" << m_dir.filePath("mariadb-server/m.sock");
    if (!config.demo)
        arguments << "--no-demo";
    if (!config.dataFile.isEmpty())
        arguments << "--data" << config.dataFile;
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
            for (int& port : m_frontPorts) {
                QTcpServer probe;
                port = config.nginx && probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
            }
            return !config.nginx || startScript(m_nginx, "nginx-front", {QString::number(m_port), QString::number(m_frontPorts[1]), QString::number(m_frontPorts[0]), trustedTestAuthority()});
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
