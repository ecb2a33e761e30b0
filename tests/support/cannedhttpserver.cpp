#include "cannedhttpserver.h"

#include <QTcpSocket>

namespace zv::test {

CannedHttpServer::CannedHttpServer(QByteArray response, QObject* parent)
    : QObject(parent), m_response(std::move(response))
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

bool CannedHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString CannedHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort());
}

QByteArray CannedHttpServer::okResponse(const QByteArray& contentType, const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

void CannedHttpServer::serve(QTcpSocket* socket)
{
    auto* received = new QByteArray;
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
        *received += socket->readAll();
        const int headerEnd = received->indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        int contentLength = 0;
        for (const QByteArray& line : received->left(headerEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                contentLength = line.mid(15).trimmed().toInt();
        }
        if (received->size() < headerEnd + 4 + contentLength)
            return;
        m_requests.append(*received);
        socket->write(m_response);
        socket->disconnectFromHost();
    });
    connect(socket, &QTcpSocket::disconnected, socket, [socket, received] {
        delete received;
        socket->deleteLater();
    });
}

} // namespace zv::test
