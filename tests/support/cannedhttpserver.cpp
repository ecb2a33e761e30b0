#include "cannedhttpserver.h"

#include <QtNetwork>

#include <memory>

namespace zv::test {

CannedHttpServer::CannedHttpServer(QByteArray response, QObject* parent)
    : QObject(parent), m_response(std::move(response))
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto received = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                // Answers once the head and as many body bytes as it announced are in.
                *received += socket->readAll();
                const int headEnd = received->indexOf("\r\n\r\n");
                const QByteArray head = received->left(headEnd).toLower();
                const int length = head.indexOf("content-length:");
                const int bodySize = length < 0 ? 0 : head.mid(length + 15).split('\r')[0].trimmed().toInt();
                if (headEnd < 0 || received->size() < headEnd + 4 + bodySize)
                    return;
                m_requests.append(*received);
                if (m_response.isNull())
                    return;
                socket->write(m_response);
                socket->disconnectFromHost();
            });
        }
    });
}

QByteArray CannedHttpServer::okResponse(const QByteArray& contentType, const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace zv::test
