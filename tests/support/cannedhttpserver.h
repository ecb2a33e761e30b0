#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

namespace zv::test {

// A tiny HTTP peer on loopback that answers every request with one canned
// response and keeps the raw bytes of what it received, for the cases the
// stand-in service never produces (an HTML page with status 200, a number
// where text belongs) and for checking headers byte for byte.
class CannedHttpServer : public QObject
{
    Q_OBJECT
public:
    explicit CannedHttpServer(QByteArray response, QObject* parent = nullptr);

    bool listen();
    QString baseUrl() const;
    const QList<QByteArray>& requests() const { return m_requests; }

    static QByteArray okResponse(const QByteArray& contentType, const QByteArray& body);

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QByteArray m_response;
    QList<QByteArray> m_requests;
};

} // namespace zv::test
