// The built-in user guide: every page is reachable, every link and image
// inside it leads to a file that exists (and every #anchor to an id), the
// guide explains every message the transfer window can show, and the rules
// that map addresses to pages keep to the help folder.
#include "help/commandline.h"
#include "help/helplinks.h"
#include "help/helppages.h"
#include "transfer/ftperror.h"
#include "upload/uploadcli.h"

#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <gtest/gtest.h>

#include <deque>

namespace morvane::test {
namespace {

using namespace help;

QUrl pageUrl(const QString& name) {
    return helpStartUrl().resolved(QUrl(name));
}

QString pageText(const QUrl& url) {
    HelpPage page;
    if (!readHelpPage(url, &page))
        return {};
    return QString::fromUtf8(page.body);
}

// The link targets of a page: href and src attribute values.
QStringList linksOf(const QString& html) {
    static const QRegularExpression attr(QStringLiteral(R"((?:href|src)\s*=\s*"([^"]*)\")"));
    QStringList links;
    for (auto it = attr.globalMatch(html); it.hasNext();)
        links << it.next().captured(1);
    return links;
}

bool hasId(const QString& html, const QString& id) {
    return html.contains(QStringLiteral("id=\"%1\"").arg(id));
}

// The page's text as a reader sees it, tags removed and common entities
// turned back into characters.
QString visibleText(QString html) {
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    html.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    html.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    html.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    return html;
}

TEST(HelpPages, EveryLinkAndImageLeadsSomewhereAndEveryPageIsReachable) {
    const QStringList files = allHelpFiles();
    ASSERT_GE(files.size(), 9);

    QSet<QString> reached;
    std::deque<QUrl> queue{helpStartUrl()};
    int checkedLinks = 0;
    while (!queue.empty()) {
        const QUrl url = queue.front();
        queue.pop_front();
        const QString resource = resourcePathFor(url);
        if (reached.contains(resource))
            continue;
        reached.insert(resource);
        const QString html = pageText(url);
        ASSERT_FALSE(html.isEmpty()) << url.toString().toStdString();
        if (!resource.endsWith(QLatin1String(".html")))
            continue;
        EXPECT_TRUE(html.contains(QLatin1String("<title>"))) << resource.toStdString();
        for (const QString& link : linksOf(html)) {
            SCOPED_TRACE((resource + QStringLiteral(" -> ") + link).toStdString());
            ++checkedLinks;
            const QUrl target = url.resolved(QUrl(link));
            if (target.scheme() != QLatin1String(kScheme)) {
                // Outside addresses open in the user's browser.
                EXPECT_TRUE(target.scheme() == QLatin1String("https") ||
                            target.scheme() == QLatin1String("http"));
                continue;
            }
            EXPECT_TRUE(isInsideHelp(target));
            const QString targetHtml = pageText(target);
            EXPECT_FALSE(targetHtml.isEmpty()) << "broken link or image";
            if (target.hasFragment()) {
                EXPECT_TRUE(hasId(targetHtml, target.fragment())) << "missing anchor";
            }
            QUrl withoutFragment = target;
            withoutFragment.setFragment(QString());
            queue.push_back(withoutFragment);
        }
    }
    EXPECT_GT(checkedLinks, 50);
    for (const QString& file : files)
        EXPECT_TRUE(reached.contains(file))
            << "not reachable from the start page: " << file.toStdString();
}

TEST(HelpPages, TroubleshootingExplainsEveryTransferMessage) {
    const QString text = visibleText(pageText(pageUrl(QStringLiteral("troubleshooting.html"))));
    ASSERT_FALSE(text.isEmpty());
    const FtpError errors[] = {
        {FtpErrorDomain::NetDB, kHostNotFound, {}},
        {FtpErrorDomain::FTP, 530, {}},
        {FtpErrorDomain::FTP, 550, {}},
        {FtpErrorDomain::LocalFile, 0, {}},
        {FtpErrorDomain::BadName, 0, {}},
        {FtpErrorDomain::BadListing, 0, {}},
    };
    FtpError revoked(FtpErrorDomain::Security, CURLE_PEER_FAILED_VERIFICATION);
    revoked.ssh = true;
    revoked.trust = TrustProblem::Revoked;
    FtpError changed = revoked;
    changed.trust = TrustProblem::Changed;
    FtpError unknown = revoked;
    unknown.trust = TrustProblem::Untrusted;
    FtpError noKey(FtpErrorDomain::FTP, 530);
    noKey.ssh = true;
    noKey.keyLogin = true;
    FtpError prot(FtpErrorDomain::Security, CURLE_USE_SSL_FAILED);
    prot.loggedIn = true;
    // What happened: a message's first sentence (the rest says what to do
    // and holds what the server said).
    auto headline = [](const FtpError& e) {
        QString message = streamErrorMessage(e);
        for (const char* end : {". ", " (", "; ", ": this"})
            message = message.section(QLatin1String(end), 0, 0);
        return message;
    };
    for (const FtpError& e : errors)
        EXPECT_TRUE(text.contains(headline(e))) << headline(e).toStdString();
    for (const FtpError& e : {revoked, changed, unknown, noKey, prot,
                              FtpError(FtpErrorDomain::FTP, 451, {}, "451 Failure writing")})
        EXPECT_TRUE(text.contains(headline(e))) << headline(e).toStdString();
    // The generic form, for what has no words of its own, names its parts.
    const QString generic = streamErrorMessage({FtpErrorDomain::NetDB, 3, {}});
    EXPECT_TRUE(generic.startsWith(QLatin1String("Error: ")));
    EXPECT_TRUE(text.contains(QStringLiteral("Error: …, error code …")));
    EXPECT_TRUE(text.contains(QLatin1String("452")));
}

TEST(HelpPages, AddressesOutsideTheHelpFolderAreNotPages) {
    EXPECT_EQ(resourcePathFor(pageUrl(QStringLiteral("index.html"))),
              QStringLiteral(":/Morvane/help/index.html"));
    EXPECT_EQ(resourcePathFor(QUrl(QStringLiteral("morvane://help/Morvane/help/"))),
              QStringLiteral(":/Morvane/help/index.html"));
    EXPECT_EQ(
        resourcePathFor(QUrl(QStringLiteral("morvane://help/Morvane/help/images/morvane.svg"))),
        QStringLiteral(":/Morvane/help/images/morvane.svg"));
    for (const char* address : {
             "morvane://help/Morvane/help/../icons/FolderIcon.png",
             "morvane://help/Morvane/help/%2e%2e/icons/FolderIcon.png",
             "morvane://help/Morvane/help/..%2Ficons/FolderIcon.png",
             "morvane://help/Morvane/icons/FolderIcon.png",
             "morvane://elsewhere/Morvane/help/index.html",
             "http://help/Morvane/help/index.html",
             "morvane://help/Morvane/help",
         }) {
        SCOPED_TRACE(address);
        EXPECT_TRUE(resourcePathFor(QUrl(QString::fromLatin1(address))).isEmpty());
        HelpPage page;
        EXPECT_FALSE(readHelpPage(QUrl(QString::fromLatin1(address)), &page));
    }
    HelpPage missing;
    EXPECT_FALSE(readHelpPage(pageUrl(QStringLiteral("no-such-page.html")), &missing));

    HelpPage css;
    ASSERT_TRUE(readHelpPage(pageUrl(QStringLiteral("style.css")), &css));
    EXPECT_EQ(css.mimeType, "text/css");
    EXPECT_EQ(mimeTypeFor(QStringLiteral("a/b.SVG")), "image/svg+xml");
    EXPECT_EQ(mimeTypeFor(QStringLiteral("index.html")), "text/html");
}

TEST(HelpLinks, TheLockedHelpKeepsToItsOwnPages) {
    EXPECT_TRUE(isInsideHelp(helpStartUrl()));
    EXPECT_TRUE(isInsideHelp(QUrl(QStringLiteral("morvane://help/Morvane/other.html"))));
    EXPECT_TRUE(isInsideHelp(QUrl(QStringLiteral("about:blank"))));
    EXPECT_FALSE(isInsideHelp(QUrl(QStringLiteral("morvane://help/Morvanex/index.html"))));
    EXPECT_FALSE(isInsideHelp(QUrl(QStringLiteral("morvane://help/morvane/help/index.html"))));
    EXPECT_FALSE(isInsideHelp(QUrl(QStringLiteral("morvane://evil/Morvane/help/index.html"))));
    EXPECT_FALSE(isInsideHelp(QUrl(QStringLiteral("https://www.php.net/Morvane/"))));
    EXPECT_FALSE(isInsideHelp(QUrl(QStringLiteral("about:blank#x"))));
    EXPECT_FALSE(isInsideHelp(QUrl(QStringLiteral("file:///Morvane/help/index.html"))));
}

TEST(HelpLinks, ManualLanguageAndAddresses) {
    EXPECT_EQ(languageCode({QStringLiteral("de-DE"), QStringLiteral("en-US")}),
              QStringLiteral("de"));
    EXPECT_EQ(languageCode({QStringLiteral("pt-BR")}), QStringLiteral("pt"));
    EXPECT_EQ(languageCode({QStringLiteral("x")}), QStringLiteral("x"));
    EXPECT_EQ(languageCode({}), QStringLiteral("en"));

    HelpLinks links;
    links.phpManualHost = QStringLiteral("https://php.example/");
    links.htmlReferenceHost = QStringLiteral("https://ref.example");
    EXPECT_EQ(links.phpManualUrl(QStringLiteral("de")).toString(),
              QStringLiteral("https://php.example/manual/de/"));
    EXPECT_EQ(links.phpManualFallbackUrl().toString(),
              QStringLiteral("https://php.example/manual/en/"));
    EXPECT_EQ(links.htmlReferenceUrl().toString(),
              QStringLiteral("https://ref.example/tags/ref_byfunc.asp"));

    // Unset addresses stay empty, so their menu items can be left out.
    EXPECT_TRUE(links.websiteUrl().isEmpty());
    EXPECT_TRUE(links.supportUrl().isEmpty());
    EXPECT_TRUE(links.rateUrl().isEmpty());
    EXPECT_TRUE(links.updateServiceUrl().isEmpty());

    links.supportMail = QStringLiteral("help@morvane.example");
    const QUrl mail = links.supportUrl();
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.path(), QStringLiteral("help@morvane.example"));
    EXPECT_EQ(mail.query(), QStringLiteral("subject=Morvane-Linux"));
    EXPECT_EQ(platformName(), QStringLiteral("linux"));
}

TEST(CommandLine, WordsTheProgramDoesNotKnowAreRefusedAndQtOptionsPass) {
    struct Case {
        QStringList args;
        const char* unknown; // nullptr: the window starts
    };
    const Case cases[] = {
        {{}, nullptr},
        {{"download"}, "download"},
        {{"Upload"}, "Upload"},
        {{"index.html"}, "index.html"},
        {{"-"}, "-"},
        {{"-platform", "offscreen"}, nullptr},
        {{"--platform", "offscreen", "-style", "fusion"}, nullptr},
        {{"-platform=offscreen", "extra"}, "extra"},
        {{"-reverse", "download"}, "download"},
        {{"--no-sandbox", "-qmljsdebugger=port:1"}, nullptr},
        {{"-display", ":1", "-name", "x", "colour"}, "colour"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const QString found = unknownArgument(c.args);
        if (!c.unknown) {
            EXPECT_TRUE(found.isNull()) << found.toStdString();
            QString err;
            QTextStream stream(&err);
            EXPECT_FALSE(handleUnknownCommand(c.args, stream).has_value());
            EXPECT_TRUE(err.isEmpty());
            continue;
        }
        EXPECT_EQ(found, QString::fromUtf8(c.unknown));
        QString err;
        QTextStream stream(&err);
        EXPECT_EQ(handleUnknownCommand(c.args, stream), std::optional<int>(2));
        EXPECT_TRUE(err.contains(QStringLiteral("\"%1\"").arg(found))) << err.toStdString();
        EXPECT_TRUE(err.contains(usageText()));
    }
}

TEST(CommandLine, TheUsageNamesEveryOptionOfTheUploadCommand) {
    QString in, out, err;
    QTextStream inStream(&in), outStream(&out), errStream(&err);
    runUploadCommandLine({QStringLiteral("--help")}, inStream, outStream, errStream);
    const QString help = out + err;
    static const QRegularExpression option(QStringLiteral(R"(--[a-z][a-z-]*)"));
    int options = 0;
    for (auto it = option.globalMatch(help); it.hasNext(); ++options) {
        const QString name = it.next().captured(0);
        EXPECT_TRUE(usageText().contains(name)) << name.toStdString();
    }
    EXPECT_GE(options, 4) << help.toStdString();
}

} // namespace
} // namespace morvane::test
