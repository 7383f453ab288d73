// A local web server for the preview tests, on 127.0.0.1 and the test's own
// event loop: it serves the files below a folder, records the raw request
// targets as they came, and can hold back the answers to play a page that
// never finishes loading.
#pragma once

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace morvane::test {

class SiteServer : public QObject {
public:
    explicit SiteServer(const QString& root, int port = 0) : m_root(root) {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { readRequest(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, quint16(port));
    }

    quint16 port() const { return m_server.serverPort(); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

    // Requests whose decoded path starts with this are never answered.
    QString holdPrefix;
    // Raw request targets, in order (the engine's own asks for a site icon
    // left out).
    QList<QByteArray> requests;
    // The files the requests named, decoded as a server decodes them.
    QStringList decodedPaths() const {
        QStringList out;
        for (const QByteArray& r : requests)
            out << QUrl::fromPercentEncoding(
                r.left(r.indexOf('?') < 0 ? r.size() : r.indexOf('?')));
        return out;
    }

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
        // The engine asks for a site icon on its own, at times after the next
        // test step began: those asks are no request of the program's.
        if (target != "/favicon.ico")
            requests.append(target);
        const QByteArray rawPath =
            target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        const QString path = QUrl::fromPercentEncoding(rawPath);
        if (!holdPrefix.isEmpty() && path.startsWith(holdPrefix))
            return; // the socket stays open, unanswered
        QFile file(m_root + path);
        QByteArray status = "200 OK";
        QByteArray body;
        QByteArray type = "text/html; charset=utf-8";
        if (path.contains(QLatin1String("/../")) || !QFileInfo(file).isFile() ||
            !file.open(QIODevice::ReadOnly)) {
            status = "404 Not Found";
            body = "<title>Not found</title>missing";
        } else {
            body = file.readAll();
            const QString suffix = QFileInfo(path).suffix().toLower();
            if (suffix == QLatin1String("png"))
                type = "image/png";
            else if (suffix == QLatin1String("css"))
                type = "text/css";
        }
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QString m_root;
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace morvane::test
