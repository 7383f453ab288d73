// `morvane upload`: the same plan, record and transfer as the window's
// command, driven from a terminal.
#include "core/paths.h"
#include "core/sitestore.h"
#include "ftpserver.h"
#include "qtprinters.h"
#include "testenv.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploadcli.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <algorithm>

using namespace morvane;
using morvane::test::FtpServer;
using morvane::test::FtpServerOptions;
using morvane::test::readFile;
using morvane::test::writeFile;

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

class UploadCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        morvane::test::resetUserState();
        site = root.path() + "/web";
        QDir().mkpath(site);
        QDir().mkpath(root.path() + "/server");
        record.setFilePath(paths::needingUploadPath());
    }
    void addSite(const QString& name, const QString& server, bool current) {
        Site s;
        s.setValue(sitekey::sitename, name);
        s.setValue(sitekey::server, server);
        s.setValue(sitekey::serverfolder, "/www");
        s.setValue(sitekey::username, "user");
        s.setValue(sitekey::password, "secret");
        s.setValue(sitekey::localpath, site);
        auto settings = paths::openSettings();
        SiteList sites = sitestore::load(*settings);
        sites.append(s);
        sitestore::save(*settings, sites);
        if (current)
            sitestore::setCurrentSiteName(*settings, name);
    }
    void startServer(const FtpServerOptions& options = {}) {
        ASSERT_TRUE(server.start(root.path() + "/server", options))
            << server.errorString().toStdString();
        addSite("Web", server.address(), true);
    }
    void make(const QString& path, const QByteArray& bytes) {
        ASSERT_TRUE(writeFile(path, bytes));
        record.mark(path);
    }
    void saveRecord() { ASSERT_TRUE(record.save()); }
    QByteArray recordBytes() const { return readFile(paths::needingUploadPath()); }
    QString onServer(const QString& rel) const { return root.path() + "/server/www/" + rel; }

    CliRun run(const QStringList& args, const QString& input = QString()) {
        CliRun r;
        QString in = input;
        QTextStream inStream(&in, QIODevice::ReadOnly);
        QTextStream outStream(&r.out, QIODevice::WriteOnly);
        QTextStream errStream(&r.err, QIODevice::WriteOnly);
        r.status = runUploadCommandLine(args, inStream, outStream, errStream);
        // These tests run without a keyring: the one line that says the
        // passwords stay in the file is checked where the keyring is.
        static const QRegularExpression keyringWarning(
            QStringLiteral("^warning: passwords stay in the settings file: [^\n]*\n"));
        r.err.remove(keyringWarning);
        return r;
    }

    QTemporaryDir root;
    QString site;
    NeedingUploadRecord record;
    FtpServer server;
};

TEST_F(UploadCliTest, RejectsBadArgumentsAndMissingSites) {
    CliRun r = run({"--forse"});
    EXPECT_EQ(r.status, uploadexit::Usage);
    EXPECT_TRUE(r.err.contains("unknown option \"--forse\"")) << r.err.toStdString();
    EXPECT_EQ(run({"a", "b"}).status, uploadexit::Usage);

    // FTP diagnostics stay quiet unless asked for.
    QLoggingCategory::setFilterRules("morvane.ftp.debug=false");
    EXPECT_EQ(run({"--dry-run", "Nope"}).status, uploadexit::Failed);
    EXPECT_FALSE(QLoggingCategory("morvane.ftp").isDebugEnabled());
    EXPECT_EQ(run({"--verbose", "Nope"}).status, uploadexit::Failed);
    EXPECT_TRUE(QLoggingCategory("morvane.ftp").isDebugEnabled());
    QLoggingCategory::setFilterRules(QString());

    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: morvane upload"));

    r = run({});
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_TRUE(
        r.err.startsWith("Before you can upload you need to choose (and maybe set up) a site."));

    addSite("Web", "127.0.0.1:1", false);
    r = run({"Nope"});
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_EQ(r.err, "Site \"Nope\" doesn't exist.\n");

    sitestore::setCurrentSiteName(*paths::openSettings(), "Gone");
    r = run({});
    EXPECT_EQ(r.err, "Can't get properties for current site: Gone\n");
}

TEST_F(UploadCliTest, NothingToUploadForOtherSitesFiles) {
    addSite("Web", "127.0.0.1:1", true);
    make(root.path() + "/web2/x.html", "x");
    saveRecord();
    const CliRun r = run({"--yes"});
    EXPECT_EQ(r.status, uploadexit::NothingToSend);
    EXPECT_EQ(r.out, "Nothing to upload.\n");
}

TEST_F(UploadCliTest, DryRunPrintsThePlanAndChangesNothing) {
    addSite("Web", "ftp.example.com", true);
    make(site + "/index.html", "<p>hi</p>");
    make(site + "/a.md", "# A\n");
    saveRecord();
    const QByteArray before = recordBytes();

    const CliRun r = run({"--dry-run"});
    EXPECT_EQ(r.status, uploadexit::NotConfirmed);
    EXPECT_EQ(r.out, "These files will be uploaded:\n\n\ta.html\n\ta.md\n\tindex.html\n\nto:\n\n"
                     "\tftp.example.com/www\n");
    EXPECT_FALSE(QFileInfo::exists(site + "/a.html"));
    EXPECT_EQ(recordBytes(), before);
}

TEST_F(UploadCliTest, HandWrittenHtmlStopsTheUpload) {
    addSite("Web", "ftp.example.com", true);
    make(site + "/a.md", "# A\n");
    ASSERT_TRUE(writeFile(site + "/a.html", "<p>mine</p>"));
    saveRecord();
    for (const QStringList& args : {QStringList{"--yes"}, QStringList{"--dry-run"}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, uploadexit::Failed);
        EXPECT_EQ(r.err, "Can't convert \"a.md\" because file \"a.html\" already exists.\n"
                         "Remove or rename the HTML file. See Help for Markdown information.\n");
        EXPECT_EQ(readFile(site + "/a.html"), "<p>mine</p>");
    }
}

TEST_F(UploadCliTest, DeclinedConfirmationSendsNothing) {
    startServer();
    make(site + "/index.html", "<p>hi</p>");
    saveRecord();
    const QByteArray before = recordBytes();
    for (const QString answer : {"n\n", "", "whatever\n"}) {
        const CliRun r = run({}, answer);
        EXPECT_EQ(r.status, uploadexit::NotConfirmed);
        EXPECT_TRUE(r.out.endsWith("Upload? [y/N] ")) << r.out.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(onServer("index.html")));
    EXPECT_EQ(recordBytes(), before);
}

TEST_F(UploadCliTest, ConfirmedUploadPrintsStatusAndUpdatesTheRecord) {
    startServer();
    make(site + "/index.html", "<p>hi</p>");
    make(site + "/img/logo.png", "PNG");
    make(site + "/notes.md", "# Notes\n");
    make(root.path() + "/web2/x.html", "other site");
    record.mark(site + "/deleted.html");
    saveRecord();

    const CliRun r = run({"Web"}, "y\n");
    EXPECT_EQ(r.status, uploadexit::Uploaded) << r.out.toStdString() << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), "Successful upload of all files");
    for (const QString f : {"index.html", "img/logo.png", "notes.md", "notes.html"})
        EXPECT_TRUE(lines.contains(QStringLiteral("Uploaded \"%1\"").arg(f))) << f.toStdString();
    EXPECT_EQ(readFile(onServer("img/logo.png")), "PNG");
    EXPECT_TRUE(readFile(onServer("notes.html")).contains("<h1>Notes</h1>"));

    NeedingUploadRecord after(paths::needingUploadPath());
    ASSERT_EQ(after.load(), NeedingUploadRecord::LoadResult::Loaded);
    EXPECT_EQ(after.paths(), QStringList{root.path() + "/web2/x.html"});
}

TEST_F(UploadCliTest, FailedTransferKeepsTheMarksOfTheFilesNotSent) {
    FtpServerOptions options;
    options.refuseEvery = 2;
    startServer(options);
    make(site + "/a.html", "a");
    make(site + "/b.html", "b");
    make(site + "/c.html", "c");
    saveRecord();

    const CliRun r = run({"--yes"});
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_TRUE(r.out.trimmed().section('\n', -1).startsWith("Error uploading \""))
        << r.out.toStdString();
    NeedingUploadRecord after(paths::needingUploadPath());
    ASSERT_EQ(after.load(), NeedingUploadRecord::LoadResult::Loaded);
    ASSERT_EQ(after.size(), 1);
    const QString unsent = after.paths().first().mid(site.size() + 1);
    EXPECT_FALSE(QFileInfo::exists(onServer(unsent)));
    for (const QString f : {"a.html", "b.html", "c.html"}) {
        if (f != unsent) {
            EXPECT_EQ(readFile(onServer(f)), f.left(1).toUtf8());
        }
    }
}

// Each file not sent gets a line of its own, with its reason; the summary
// line counts them.
TEST_F(UploadCliTest, EveryFailedFileIsNamedOnALineOfItsOwn) {
    FtpServerOptions options;
    options.refuseEvery = 1;
    startServer(options);
    for (const char* f : {"a.html", "b.html", "sub/c.html"})
        make(site + '/' + f, "x");
    saveRecord();
    const CliRun r = run({"--yes"});
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_TRUE(r.out.trimmed().section('\n', -1).startsWith("Error uploading 3 of 3 files: "))
        << r.out.toStdString();
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    for (const char* f : {"a.html", "b.html", "sub/c.html"}) {
        const QString prefix = QStringLiteral("Not uploaded: \"%1\": ").arg(f);
        EXPECT_EQ(std::count_if(lines.cbegin(), lines.cend(),
                                [&](const QString& l) {
                                    return l.startsWith(prefix) &&
                                           l.contains("\"451 Injected failure.\"");
                                }),
                  1)
            << f << '\n'
            << r.err.toStdString();
    }
}

// Sites the upload must refuse before anything is read or sent.
TEST_F(UploadCliTest, UnusableSitesAreRefusedWithAClearMessage) {
    make(site + "/index.html", "x");
    saveRecord();
    const QByteArray before = recordBytes();

    addSite("NoServer", "", false);
    CliRun r = run({"--yes", "NoServer"});
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_TRUE(r.err.startsWith("The site \"NoServer\" has no FTP server to upload to.\n"))
        << r.err.toStdString();

    // A relative folder would be taken from wherever the command runs.
    {
        auto settings = paths::openSettings();
        SiteList sites = sitestore::load(*settings);
        Site s = sites.first();
        s.setValue(sitekey::sitename, "Relative");
        s.setValue(sitekey::server, "127.0.0.1:1");
        s.setValue(sitekey::localpath, "web");
        sites.append(s);
        sitestore::save(*settings, sites);
    }
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(root.path());
    r = run({"--yes", "Relative"});
    QDir::setCurrent(cwd);
    EXPECT_EQ(r.status, uploadexit::Failed);
    EXPECT_EQ(r.err, "The local folder of site \"Relative\" is not a full path: \"web\".\n"
                     "Set the folder's full path (starting with \"/\") in the site's "
                     "properties.\n");
    EXPECT_EQ(recordBytes(), before);
}

TEST_F(UploadCliTest, ControlCharactersInNamesReachTheTerminalEscaped) {
    startServer();
    make(site + "/evil\x1b]0;owned\x07.html", "x");
    make(site + "/plain.html", "y");
    saveRecord();
    // Whether the server may get such a name is the engine's business; the
    // terminal never gets it raw.
    const CliRun r = run({"--yes", "--verbose"});
    for (const QString& text : {r.out, r.err}) {
        EXPECT_FALSE(text.contains(QChar(0x1b)));
        EXPECT_FALSE(text.contains(QChar(0x07)));
    }
    EXPECT_TRUE(r.out.contains("\tevil\\x1B]0;owned\\x07.html\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(" \"evil\\x1B]0;owned\\x07.html\"")) << r.out.toStdString();

    EXPECT_EQ(escapeForTerminal("a\tb\nc\x7f\u0085"), "a\tb\nc\\x7F\\x85");
    EXPECT_EQ(escapeNameForTerminal("a\tb\nc"), "a\\x09b\\x0Ac");
}

} // namespace
