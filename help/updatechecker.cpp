#include "help/updatechecker.h"

#include "core/platform.h"
#include "help/helplinks.h"
#include "help/replylimit.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSettings>
#include <QTimeZone>

namespace morvane::help {

namespace {
Q_LOGGING_CATEGORY(lcUpdate, "morvane.update")

const QString kLastCheckKey = QStringLiteral("LastUpdateCheck");
const QString kLongAgo = QStringLiteral("2001-01-01 00:00:00 +0000");
} // namespace

UpdateChecker::UpdateChecker(QUrl service, const QString& product, QString version, QObject* parent)
    : QObject(parent), m_service(std::move(service)), m_product(product),
      m_version(std::move(version)) {
    m_product.remove(QLatin1Char(' '));
}

UpdateChecker::~UpdateChecker() {
    // A question still on its way is dropped without an answer.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QNetworkAccessManager& UpdateChecker::network() {
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    return *m_network;
}

QUrl UpdateChecker::queryUrl(const QUrl& service, const QString& product, const QString& platform,
                             const QString& version) {
    QUrl url = service;
    url.setQuery(
        QStringLiteral("product=%1&platform=%2&version=%3").arg(product, platform, version));
    return url;
}

QString UpdateChecker::formatDate(const QDateTime& when) {
    return when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

std::optional<QDateTime> UpdateChecker::parseDate(const QString& text) {
    static const QRegularExpression form(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}) ([+-])(\d{2})(\d{2})$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    const int hours = m.captured(8).toInt();
    const int minutes = m.captured(9).toInt();
    if (!date.isValid() || !time.isValid() || hours > 23 || minutes > 59)
        return std::nullopt;
    const int offset =
        (m.captured(7) == QLatin1String("-") ? -1 : 1) * (hours * 3600 + minutes * 60);
    return QDateTime(date, time, QTimeZone(offset));
}

bool UpdateChecker::isDue(const QString& stored, const QDateTime& now) {
    const std::optional<QDateTime> last = parseDate(stored.isEmpty() ? kLongAgo : stored);
    if (!last)
        return true;
    return last->secsTo(now) >= kIntervalSeconds;
}

bool UpdateChecker::updateCheck(QSettings& settings, const QDateTime& now) {
    if (m_service.isEmpty())
        return false;
    if (!isDue(settings.value(kLastCheckKey).toString(), now)) {
        Q_EMIT finished(Result::NotDue);
        return false;
    }
    // Stored before asking, whatever the answer: an unreachable service is
    // asked again next week, not at every start.
    settings.setValue(kLastCheckKey, formatDate(now));
    settings.sync();
    doCheckForUpdate(false);
    return true;
}

void UpdateChecker::doCheckForUpdate(bool verbose) {
    if (m_version.isEmpty() || m_service.isEmpty()) {
        Q_EMIT finished(Result::NotConfigured);
        return;
    }
    if (m_reply) {
        // One question at a time; the running one answers, and reports an
        // up-to-date result too when the user has asked meanwhile.
        m_verbose = m_verbose || verbose;
        return;
    }
    m_verbose = verbose;
    const QUrl url = queryUrl(m_service, m_product, platformName(), m_version);
    qCInfo(lcUpdate).noquote() << "update check URL:" << url.toString();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply* reply = network().get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { replyFinished(reply); });
    limitReply(reply, kMaxReplyBytes);
}

void UpdateChecker::replyFinished(QNetworkReply* reply) {
    const bool verbose = m_verbose;
    reply->deleteLater();
    m_reply.clear();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        qCInfo(lcUpdate) << "update check failed:" << status << reply->errorString();
        Q_EMIT finished(Result::Failed);
        return;
    }
    const QString text = QString::fromLatin1(reply->readAll());
    qCInfo(lcUpdate).noquote() << "update check data:" << text;
    if (text.isEmpty()) {
        Q_EMIT finished(Result::Empty);
        return;
    }
    if (text == QLatin1String("YES")) {
        if (verbose)
            Platform::instance().alert(tr("App is up-to-date."), QString());
        Q_EMIT finished(Result::UpToDate);
        return;
    }
    // Only a build with a home page has the Website item to point to.
    Platform::instance().alert(
        tr("An app update may be available."),
        m_websiteOnHelpMenu
            ? tr("Choose Website on the Help menu to download a new version.")
            : tr("Install the new version the way you installed this one, for example "
                 "with your system's package manager."));
    Q_EMIT finished(Result::UpdateAvailable);
}

} // namespace morvane::help
