#include "help/phpmanualprobe.h"

#include "help/replylimit.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace morvane::help {

PhpManualProbe::PhpManualProbe(QObject* parent) : QObject(parent) {}

PhpManualProbe::~PhpManualProbe() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void PhpManualProbe::start(const QUrl& preferred, const QUrl& fallback) {
    if (m_reply) {
        QNetworkReply* old = m_reply;
        m_reply.clear();
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    if (preferred == fallback) {
        Q_EMIT decided(fallback);
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(preferred);
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, preferred, fallback] {
        reply->deleteLater();
        m_reply.clear();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        Q_EMIT decided(ok ? preferred : fallback);
    });
    limitReply(reply, kMaxReplyBytes);
}

} // namespace morvane::help
