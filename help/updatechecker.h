// Asks the update service whether the running version is current: weekly on
// its own at start-up, and at once when the user asks. The request runs in
// the background (the window never waits on the network); the answer is
// reported through the alerts of the platform seam.
//
// Only the body of a successful (200) reply counts. Exactly "YES" means up
// to date; any other non-empty body means an update may exist. A failed
// request, an error page, an empty body and a body longer than
// kMaxReplyBytes (cut off there) end the check silently.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QSettings;

namespace morvane::help {

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    enum class Result {
        NotDue,         // the automatic check ran less than a week ago
        NotConfigured,  // no service address or no version
        Failed,         // no successful reply: silent
        Empty,          // a successful but empty reply: silent
        UpToDate,       // "YES"
        UpdateAvailable // anything else
    };
    Q_ENUM(Result)

    // `service` is the address before the query; an empty one turns the
    // check off. `product` has its spaces removed.
    UpdateChecker(QUrl service, const QString& product, QString version, QObject* parent = nullptr);
    ~UpdateChecker() override;

    // The automatic check: when the last one (settings key
    // "LastUpdateCheck") is at least a week before `now`, stores `now` there
    // and asks the service quietly. Returns whether it asked.
    bool updateCheck(QSettings& settings, const QDateTime& now);
    // Asks the service; `verbose` also reports an up-to-date answer.
    void doCheckForUpdate(bool verbose);

    // Whether the Help menu has a Website item, which the update message
    // then names; without one it says how else to get the new version.
    void setWebsiteOnHelpMenu(bool on) { m_websiteOnHelpMenu = on; }

    bool isRunning() const { return !m_reply.isNull(); }
    QUrl serviceUrl() const { return m_service; }

    // The full request address.
    static QUrl queryUrl(const QUrl& service, const QString& product, const QString& platform,
                         const QString& version);
    // Whether an automatic check is due. `stored` is the value of
    // "LastUpdateCheck": empty counts as long ago; so does a value that
    // cannot be read, which is then replaced, so that a damaged value cannot
    // switch the weekly check off for good. A date in the future (the clock
    // was set back) waits until a week after it.
    static bool isDue(const QString& stored, const QDateTime& now);
    // The stored date form: "2001-01-01 00:00:00 +0000".
    static QString formatDate(const QDateTime& when);
    static std::optional<QDateTime> parseDate(const QString& text);

    static constexpr qint64 kIntervalSeconds = 604800;
    static constexpr int kTimeoutMs = 5000;
    static constexpr qint64 kMaxReplyBytes = 4096;

Q_SIGNALS:
    // After every check, reported or not.
    void finished(morvane::help::UpdateChecker::Result result);

private:
    void replyFinished(QNetworkReply* reply);
    QNetworkAccessManager& network();

    QUrl m_service;
    QString m_product;
    QString m_version;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    bool m_verbose = false;
    bool m_websiteOnHelpMenu = false;
};

} // namespace morvane::help
