#include "tests/flow/builtportservice.h"

#include "tests/support/devserviceprocess.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>

BuiltPortService::~BuiltPortService()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool BuiltPortService::start()
{
    if (!m_dir.isValid())
        return false;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(zv::test::DevServiceProcess::binaryPath(),
                    {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port),
                     QStringLiteral("--db"), m_dir.filePath(QStringLiteral("service.db")),
                     QStringLiteral("--record"), m_dir.filePath(QStringLiteral("record.jsonl"))});
    if (!m_process.waitForStarted(10000))
        return false;
    QByteArray output;
    while (m_process.waitForReadyRead(10000)) {
        output += m_process.readAllStandardOutput();
        if (output.contains("listening"))
            return true;
    }
    return false;
}

QStringList BuiltPortService::statements() const
{
    QStringList texts;
    QFile record(m_dir.filePath(QStringLiteral("record.jsonl")));
    if (!record.open(QIODevice::ReadOnly))
        return texts;
    for (const QByteArray& line : record.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject request = QJsonDocument::fromJson(line).object();
        texts << QString::fromUtf8(
            QByteArray::fromBase64(request.value(QStringLiteral("body")).toString().toLatin1()));
    }
    return texts;
}

bool BuiltPortService::post(const QString& statement) const
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/api/").arg(port)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = manager.post(request, statement.toUtf8());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const bool ok = reply->error() == QNetworkReply::NoError;
    delete reply;
    return ok;
}
