// Finds out, in the background, whether the PHP manual exists in the user's
// language: the manual's page in that language when it answers, else the
// English manual. The help window shows at once and loads the page when the
// answer is in.
#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace morvane::help {

class PhpManualProbe : public QObject {
    Q_OBJECT
public:
    explicit PhpManualProbe(QObject* parent = nullptr);
    ~PhpManualProbe() override;

    // Asks for `preferred`; reports `preferred` when it answers with a
    // successful reply (of at most kMaxReplyBytes), else `fallback`. A probe still running is
    // dropped. When both are the same address, reports it at once (no request).
    void start(const QUrl& preferred, const QUrl& fallback);
    bool isRunning() const { return !m_reply.isNull(); }

    static constexpr int kTimeoutMs = 5000;
    // A manual page is far smaller; a reply past this is cut off.
    static constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;

Q_SIGNALS:
    void decided(const QUrl& url);

private:
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
};

} // namespace morvane::help
