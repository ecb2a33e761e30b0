#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

namespace zv::test {

// A tiny HTTP peer on loopback that answers every request with one canned
// response and keeps the raw bytes of what it received, for the answers the
// stand-in service never gives (an HTML page with status 200, a redirect, a
// body cut short) and for checking the request byte for byte. Without a
// response it takes every request and never answers.
class CannedHttpServer : public QObject
{
    Q_OBJECT
public:
    explicit CannedHttpServer(QByteArray response, QObject* parent = nullptr);

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }
    const QList<QByteArray>& requests() const { return m_requests; }

    static QByteArray okResponse(const QByteArray& contentType, const QByteArray& body);

private:
    QTcpServer m_server;
    QByteArray m_response;
    QList<QByteArray> m_requests;
};

} // namespace zv::test
