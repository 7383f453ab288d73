// Keeps a reply from the network to the size its reader expects. The update
// service answers "YES" and the PHP manual probe only needs the status, so
// a server (or anyone between) that sends without end must not fill the
// memory: past the limit the reply is aborted, and the caller sees it
// fail (OperationCanceledError), as if no answer had come.
#pragma once

#include <QNetworkReply>

namespace morvane::help {

inline void limitReply(QNetworkReply* reply, qint64 maxBytes) {
    // Qt stops reading from the connection while this much is unread, so a
    // flood cannot pile up before the checks below have run.
    reply->setReadBufferSize(2 * maxBytes);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, maxBytes] {
        if (reply->isRunning() && reply->bytesAvailable() > maxBytes)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, maxBytes](qint64 received, qint64 total) {
                         // A declared length past the limit is refused at once.
                         if (reply->isRunning() && (received > maxBytes || total > maxBytes))
                             reply->abort();
                     });
}

} // namespace morvane::help
