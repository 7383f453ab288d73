// The update check against a local HTTP server of the test's own: the query
// it sends, what each answer shows, the weekly rule, and that the window
// keeps working while the server is slow.
#include "core/paths.h"
#include "help/phpmanualprobe.h"
#include "help/updatechecker.h"
#include "httpserver.h"
#include "recordingplatform.h"
#include "testenv.h"

#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace morvane::test {
namespace {

using help::UpdateChecker;
using Result = UpdateChecker::Result;

const QString kUpToDate = QStringLiteral("App is up-to-date.");
const QString kMayBeAvailable = QStringLiteral("An app update may be available.");

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetUserState();
        RecordingPlatform::current().clear();
        settings = paths::openSettings();
        server.answer("/check", 200, "YES");
    }

    std::unique_ptr<UpdateChecker> checker(const QString& product = QStringLiteral("Morvane"),
                                           const QString& version = QStringLiteral("2.5.1")) {
        auto c = std::make_unique<UpdateChecker>(QUrl(server.base() + QStringLiteral("/check")),
                                                 product, version);
        QObject::connect(c.get(), &UpdateChecker::finished, c.get(),
                         [this](Result r) { results.push_back(r); });
        return c;
    }

    // Waits for the check to report.
    std::optional<Result> waitForResult(size_t count = 1) {
        if (!waitUntil([&] { return results.size() >= count; }))
            return std::nullopt;
        return results.back();
    }

    QStringList alertTitles() const {
        QStringList titles;
        for (const auto& a : RecordingPlatform::current().alerts)
            titles << a.title;
        return titles;
    }

    QString stored() { return settings->value(QStringLiteral("LastUpdateCheck")).toString(); }
    void store(const QString& value) {
        settings->setValue(QStringLiteral("LastUpdateCheck"), value);
    }

    static QDateTime at(const QString& text) { return *UpdateChecker::parseDate(text); }

    HttpServer server;
    std::unique_ptr<QSettings> settings;
    std::vector<Result> results;
};

TEST_F(UpdateCheckTest, AsksWithTheProductPlatformAndVersion) {
    auto c = checker(QStringLiteral("Site Editor"), QStringLiteral("2.5.1"));
    c->doCheckForUpdate(true);
    ASSERT_EQ(waitForResult(), Result::UpToDate);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests.first(), "/check?product=SiteEditor&platform=linux&version=2.5.1");
}

TEST_F(UpdateCheckTest, YesIsQuietWhenAutomaticAndReportedWhenAsked) {
    auto c = checker();
    c->doCheckForUpdate(false);
    ASSERT_EQ(waitForResult(1), Result::UpToDate);
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());

    c->doCheckForUpdate(true);
    ASSERT_EQ(waitForResult(2), Result::UpToDate);
    ASSERT_EQ(alertTitles(), QStringList{kUpToDate});
    EXPECT_TRUE(RecordingPlatform::current().alerts.first().message.isEmpty());
}

TEST_F(UpdateCheckTest, AnyOtherAnswerMayMeanAnUpdateEvenWhenAutomatic) {
    for (const QByteArray& body : {QByteArray("YES\n"), QByteArray("NO"), QByteArray(" YES")}) {
        SCOPED_TRACE(body.toStdString());
        RecordingPlatform::current().clear();
        results.clear();
        server.answer("/check", 200, body);
        auto c = checker();
        c->setWebsiteOnHelpMenu(true);
        c->doCheckForUpdate(false);
        ASSERT_EQ(waitForResult(), Result::UpdateAvailable);
        ASSERT_EQ(alertTitles(), QStringList{kMayBeAvailable});
        EXPECT_EQ(RecordingPlatform::current().alerts.first().message,
                  QStringLiteral("Choose Website on the Help menu to download a new version."));
    }
}

TEST_F(UpdateCheckTest, TheMessageNamesOnlyAHelpMenuItemThatExists) {
    // A stock build has no home page, so no Website item to choose.
    server.answer("/check", 200, "NO");
    for (const bool website : {false, true}) {
        SCOPED_TRACE(website);
        RecordingPlatform::current().clear();
        results.clear();
        auto c = checker();
        c->setWebsiteOnHelpMenu(website);
        c->doCheckForUpdate(true);
        ASSERT_EQ(waitForResult(), Result::UpdateAvailable);
        ASSERT_EQ(alertTitles(), QStringList{kMayBeAvailable});
        const QString message = RecordingPlatform::current().alerts.first().message;
        EXPECT_EQ(message.contains(QLatin1String("Website")), website) << message.toStdString();
        EXPECT_FALSE(message.isEmpty());
    }
}

TEST_F(UpdateCheckTest, ErrorPagesRefusedPortsAndEmptyAnswersAreSilent) {
    // An error page is not the service's answer, whatever its text.
    server.answer("/check", 404, "<html><body>Not Found</body></html>");
    auto c = checker();
    c->doCheckForUpdate(true);
    EXPECT_EQ(waitForResult(1), Result::Failed);
    server.answer("/check", 500, "YES");
    c->doCheckForUpdate(true);
    EXPECT_EQ(waitForResult(2), Result::Failed);
    server.answer("/check", 200, "");
    c->doCheckForUpdate(true);
    EXPECT_EQ(waitForResult(3), Result::Empty);

    UpdateChecker refused(
        QUrl(QStringLiteral("http://127.0.0.1:%1/check").arg(HttpServer::closedPort())),
        QStringLiteral("Morvane"), QStringLiteral("1.0"));
    QObject::connect(&refused, &UpdateChecker::finished, &refused,
                     [this](Result r) { results.push_back(r); });
    refused.doCheckForUpdate(true);
    EXPECT_EQ(waitForResult(4), Result::Failed);

    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty())
        << alertTitles().join(u'|').toStdString();
}

TEST_F(UpdateCheckTest, WithoutAnAddressNothingIsAskedOrStored) {
    UpdateChecker off(QUrl(), QStringLiteral("Morvane"), QStringLiteral("1.0"));
    EXPECT_FALSE(off.updateCheck(*settings, at(QStringLiteral("2026-06-15 12:00:00 +0000"))));
    EXPECT_FALSE(settings->contains(QStringLiteral("LastUpdateCheck")));
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(UpdateCheckTest, AutomaticCheckRunsOnceAWeek) {
    const QDateTime now = at(QStringLiteral("2026-06-15 12:00:00 +0000"));
    auto c = checker();

    // Never checked: asks, and stores the time before the answer comes.
    EXPECT_TRUE(c->updateCheck(*settings, now));
    EXPECT_EQ(stored(), QStringLiteral("2026-06-15 12:00:00 +0000"));
    ASSERT_EQ(waitForResult(), Result::UpToDate);

    // Six days later: nothing.
    EXPECT_FALSE(c->updateCheck(*settings, now.addDays(6)));
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(stored(), QStringLiteral("2026-06-15 12:00:00 +0000"));

    // Seven days and a second: asks again.
    EXPECT_TRUE(c->updateCheck(*settings, now.addDays(7).addSecs(1)));
    EXPECT_EQ(stored(), QStringLiteral("2026-06-22 12:00:01 +0000"));
    ASSERT_EQ(waitForResult(3), Result::UpToDate);
    EXPECT_EQ(server.requests.size(), 2);
}

TEST_F(UpdateCheckTest, StoredOffsetsAreHonoured) {
    // 14:00 at +0200 is 12:00 UTC: exactly a week before, which is due;
    // a second less is not.
    const QDateTime now = at(QStringLiteral("2026-06-15 12:00:00 +0000"));
    EXPECT_TRUE(UpdateChecker::isDue(QStringLiteral("2026-06-08 14:00:00 +0200"), now));
    EXPECT_FALSE(UpdateChecker::isDue(QStringLiteral("2026-06-08 14:00:01 +0200"), now));
    EXPECT_TRUE(UpdateChecker::isDue(QStringLiteral("2026-06-08 07:00:00 -0500"), now));
    EXPECT_FALSE(UpdateChecker::isDue(QStringLiteral("2026-06-08 07:00:01 -0500"), now));
}

TEST_F(UpdateCheckTest, AFutureDateWaitsUntilAWeekAfterIt) {
    const QDateTime now = at(QStringLiteral("2026-06-15 12:00:00 +0000"));
    store(QStringLiteral("2026-06-20 12:00:00 +0000"));
    auto c = checker();
    EXPECT_FALSE(c->updateCheck(*settings, now));
    EXPECT_FALSE(c->updateCheck(*settings, now.addDays(11)));
    EXPECT_TRUE(server.requests.isEmpty());
    EXPECT_TRUE(c->updateCheck(*settings, now.addDays(12)));
    ASSERT_TRUE(waitForResult(3).has_value());
    EXPECT_EQ(server.requests.size(), 1);
}

TEST_F(UpdateCheckTest, AnUnreadableStoredDateIsReplacedNotObeyedForever) {
    const QDateTime now = at(QStringLiteral("2026-06-15 12:00:00 +0000"));
    for (const QString& bad :
         {QStringLiteral("last Tuesday"), QStringLiteral("2026-13-45 00:00:00 +0000"),
          QStringLiteral("2026-06-14 12:00:00")}) {
        SCOPED_TRACE(bad.toStdString());
        store(bad);
        results.clear();
        auto c = checker();
        EXPECT_TRUE(c->updateCheck(*settings, now));
        EXPECT_EQ(stored(), QStringLiteral("2026-06-15 12:00:00 +0000"));
        ASSERT_TRUE(waitForResult().has_value());
        // And the replacement is obeyed: no second check the next day.
        EXPECT_FALSE(c->updateCheck(*settings, now.addDays(1)));
    }
}

TEST_F(UpdateCheckTest, TheWindowKeepsWorkingWhileTheServerIsSlow) {
    // The server runs on this very thread: a check that waited for the
    // network here would never see the answer.
    server.hold();
    QLineEdit field;
    field.show();
    auto c = checker();
    c->doCheckForUpdate(true);
    ASSERT_TRUE(c->isRunning());
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1; }));

    // The window takes typing and timers fire while the question is open.
    QTest::keyClicks(&field, QStringLiteral("still typing"));
    bool timerFired = false;
    QTimer::singleShot(0, &field, [&] { timerFired = true; });
    ASSERT_TRUE(waitUntil([&] { return timerFired; }));
    EXPECT_EQ(field.text(), QStringLiteral("still typing"));
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(c->isRunning());

    server.release();
    EXPECT_EQ(waitForResult(), Result::UpToDate);
    EXPECT_EQ(alertTitles(), QStringList{kUpToDate});
}

TEST_F(UpdateCheckTest, AskingDuringTheAutomaticCheckGetsAnAnswer) {
    // The user's question joins the quiet one already on its way: one
    // request, and the up-to-date answer is shown.
    server.hold();
    auto c = checker();
    c->doCheckForUpdate(false);
    c->doCheckForUpdate(true);
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1; }));
    server.release();
    EXPECT_EQ(waitForResult(), Result::UpToDate);
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(alertTitles(), QStringList{kUpToDate});
}

TEST_F(UpdateCheckTest, AnAnswerWithoutEndIsCutOffAndCountsAsNone) {
    // A body that never stops: without a length, and with a length far
    // past what the answer can be.
    const qint64 declared[] = {-1, qint64(1) << 40};
    for (const qint64 length : declared) {
        SCOPED_TRACE(length);
        server.answerEndlessly("/check", length);
        const size_t before = results.size();
        const int closed = server.endlessClosedByClient;
        auto c = checker();
        c->doCheckForUpdate(true);
        EXPECT_EQ(waitForResult(before + 1), Result::Failed);
        // The program hung up; the server would have gone on.
        EXPECT_TRUE(waitUntil([&] { return server.endlessClosedByClient == closed + 1; }));
    }
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty())
        << alertTitles().join(u'|').toStdString();

    // The PHP manual's probe: the English manual is shown instead.
    server.answerEndlessly("/manual/fr/");
    help::PhpManualProbe probe;
    std::optional<QUrl> decided;
    QObject::connect(&probe, &help::PhpManualProbe::decided, &probe,
                     [&](const QUrl& url) { decided = url; });
    const QUrl english(server.base() + QStringLiteral("/manual/en/"));
    probe.start(QUrl(server.base() + QStringLiteral("/manual/fr/")), english);
    ASSERT_TRUE(waitUntil([&] { return decided.has_value(); }));
    EXPECT_EQ(*decided, english);
    EXPECT_GT(server.endlessBytesSent, help::PhpManualProbe::kMaxReplyBytes);
}

TEST(UpdateCheckDates, StoredFormRoundTrips) {
    const QDateTime t(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    EXPECT_EQ(UpdateChecker::formatDate(t), QStringLiteral("2026-01-02 03:04:05 +0000"));
    EXPECT_EQ(*UpdateChecker::parseDate(UpdateChecker::formatDate(t)), t);
    // A local time is stored as the same instant in UTC.
    const QDateTime local = t.toTimeZone(QTimeZone(3600 * 5 + 1800));
    EXPECT_EQ(UpdateChecker::formatDate(local), QStringLiteral("2026-01-02 03:04:05 +0000"));
    EXPECT_FALSE(UpdateChecker::parseDate(QStringLiteral("2026-01-02 03:04:05 +2400")));
    EXPECT_FALSE(UpdateChecker::parseDate(QString()));
}

} // namespace
} // namespace morvane::test
