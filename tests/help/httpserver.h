// A small HTTP server on 127.0.0.1 for the help and update tests, running on
// the test's own event loop. Each path answers with a fixed status and body;
// replies can be held back to play a slow server, and a path can answer
// without end (a body that never stops) to play a hostile one.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace morvane::test {

class HttpServer : public QObject {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
    };

    HttpServer() {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { readRequest(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    quint16 port() const { return m_server.serverPort(); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

    // What a path answers; unknown paths get 404.
    void answer(const QByteArray& path, int status, const QByteArray& body) {
        m_answers.insert(path, {status, body});
    }
    // The path answers 200 and then sends body bytes until the client hangs
    // up (with a Content-Length that says so, when `declared` is given).
    void answerEndlessly(const QByteArray& path, qint64 declared = -1) {
        m_endless.insert(path, declared);
    }
    // Body bytes sent on endless answers, and how many of those connections
    // the client has closed.
    qint64 endlessBytesSent = 0;
    int endlessClosedByClient = 0;

    // While held, requests are recorded but not answered.
    void hold() { m_holding = true; }
    void release() {
        m_holding = false;
        const auto pending = m_pending;
        m_pending.clear();
        for (const auto& [socket, path] : pending)
            if (socket)
                reply(socket, path);
    }

    // Request targets (path and query) in the order they came.
    QList<QByteArray> requests;

    // A port on which nothing listens.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

private:
    void readRequest(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QByteArray line = buffer.left(buffer.indexOf("\r\n"));
        m_buffers.remove(socket);
        const QList<QByteArray> parts = line.split(' ');
        const QByteArray target = parts.size() > 1 ? parts[1] : QByteArray();
        requests.append(target);
        const QByteArray path =
            target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        if (m_holding)
            m_pending.append({QPointer<QTcpSocket>(socket), path});
        else
            reply(socket, path);
    }

    void sendEndlessly(QTcpSocket* socket, qint64 declared) {
        QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n";
        if (declared >= 0)
            head += "Content-Length: " + QByteArray::number(declared) + "\r\n";
        socket->write(head + "\r\n");
        const QByteArray chunk(64 * 1024, 'N');
        // A new chunk whenever the last has gone out, until the client
        // closes the connection.
        auto more = [this, socket, chunk] {
            if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() == 0) {
                socket->write(chunk);
                endlessBytesSent += chunk.size();
            }
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        QObject::connect(socket, &QTcpSocket::disconnected, socket,
                         [this] { ++endlessClosedByClient; });
        more();
    }

    void reply(QTcpSocket* socket, const QByteArray& path) {
        if (m_endless.contains(path)) {
            sendEndlessly(socket, m_endless.value(path));
            return;
        }
        const Answer a = m_answers.value(path, Answer{404, "<html>Not Found</html>"});
        QByteArray response = "HTTP/1.1 " + QByteArray::number(a.status) +
                              (a.status == 200 ? " OK" : " Error") +
                              "\r\nContent-Type: text/plain\r\nConnection: close\r\n"
                              "Content-Length: " +
                              QByteArray::number(a.body.size()) + "\r\n\r\n" + a.body;
        socket->write(response);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, Answer> m_answers;
    QHash<QByteArray, qint64> m_endless;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    bool m_holding = false;
    QList<std::pair<QPointer<QTcpSocket>, QByteArray>> m_pending;
};

} // namespace morvane::test
