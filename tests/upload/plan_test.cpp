// Which files the Upload command sends, and what the record holds after each
// outcome.
#include "qtprinters.h"
#include "testenv.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploadplan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace morvane;
using morvane::test::readFile;
using morvane::test::writeFile;

namespace {

class PlanTest : public ::testing::Test {
protected:
    void SetUp() override {
        site = root.path() + "/web";
        other = root.path() + "/web2"; // shares the prefix, is another site
        record.setFilePath(root.path() + "/NeedingUpload.dict");
    }
    QString make(const QString& path, const QByteArray& bytes = "x") {
        EXPECT_TRUE(writeFile(path, bytes));
        record.mark(path);
        return path;
    }
    QTemporaryDir root;
    QString site;
    QString other;
    NeedingUploadRecord record;
};

TEST_F(PlanTest, RelativePathNeedsTheFolderAndASlash) {
    EXPECT_EQ(uploadplan::relativePath("/S/web", "/S/web/a/b.html"), "a/b.html");
    EXPECT_EQ(uploadplan::relativePath("/S/web", "/S/web2/x.html"), "");
    EXPECT_EQ(uploadplan::relativePath("/S/web", "/S/web"), "");
    EXPECT_EQ(uploadplan::relativePath("/S/web", "/S/web/"), "");
    EXPECT_EQ(uploadplan::relativePath("", "/x"), "");

    Site s;
    EXPECT_EQ(uploadplan::siteFolderFor(s, "/default"), "/default");
    s.setValue(sitekey::localpath, "/S/web");
    EXPECT_EQ(uploadplan::siteFolderFor(s, "/default"), "/S/web");
    // Never resolved against the current folder.
    s.setValue(sitekey::sitename, "Web");
    for (const QString relative : {"relsite", "~/mysite", "./web"}) {
        s.setValue(sitekey::localpath, relative);
        QString error;
        EXPECT_EQ(uploadplan::siteFolderFor(s, "/default", &error), "");
        EXPECT_EQ(error,
                  QStringLiteral("The local folder of site \"Web\" is not a full path: \"%1\".")
                      .arg(relative));
    }
}

TEST_F(PlanTest, CollectsExistingFilesOfTheSiteOnly) {
    make(site + "/index.html");
    make(site + "/img/logo.png");
    make(other + "/x.html");
    record.mark(site + "/deleted.html"); // file gone since it was marked
    QDir().mkpath(site + "/folder.html");
    record.mark(site + "/folder.html"); // a folder where a file was

    EXPECT_EQ(uploadplan::collectFiles(record.paths(), site).send,
              QStringList({"img/logo.png", "index.html"}));
    EXPECT_EQ(record.size(), 5); // collecting changes nothing

    NeedingUploadRecord onlyOther;
    onlyOther.mark(other + "/x.html");
    EXPECT_TRUE(uploadplan::collectFiles(onlyOther.paths(), site).send.isEmpty());
}

TEST_F(PlanTest, MarkdownPassAddsTheHtmlBesideIt) {
    make(site + "/a.md", "# A\n");
    make(site + "/b.html");
    make(other + "/c.md", "# C\n"); // another site's file is left alone
    record.mark(site + "/gone.md");

    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record.paths(), site);
    ASSERT_TRUE(pass.ok);
    EXPECT_EQ(pass.htmlFiles, QStringList{site + "/a.html"});
    record.mark(site + "/a.html");
    EXPECT_TRUE(readFile(site + "/a.html").contains("<h1>A</h1>"));
    EXPECT_FALSE(QFileInfo::exists(other + "/c.html"));
    EXPECT_FALSE(QFileInfo::exists(site + "/gone.html"));
    EXPECT_EQ(uploadplan::collectFiles(record.paths(), site).send,
              QStringList({"a.html", "a.md", "b.html"}));
}

TEST_F(PlanTest, MarkdownPassStopsAtAHandWrittenHtml) {
    make(site + "/a.md", "# A\n");
    make(site + "/z.md", "# Z\n");
    ASSERT_TRUE(writeFile(site + "/z.html", "<p>hand made</p>"));

    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record.paths(), site);
    EXPECT_FALSE(pass.ok);
    EXPECT_EQ(pass.failedPath, site + "/z.md");
    EXPECT_EQ(pass.error.kind, markdown::Error::Kind::ForeignTarget);
    EXPECT_EQ(readFile(site + "/z.html"), "<p>hand made</p>");
    // The file converted before the failure is reported, to be marked.
    EXPECT_EQ(pass.htmlFiles, QStringList{site + "/a.html"});
}

TEST_F(PlanTest, DryRunWritesNothingButListsTheHtml) {
    make(site + "/a.md", "# A\n");
    make(site + "/b.css");
    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record.paths(), site, true);
    ASSERT_TRUE(pass.ok);
    EXPECT_FALSE(QFileInfo::exists(site + "/a.html"));
    EXPECT_FALSE(record.contains(site + "/a.html"));
    EXPECT_EQ(uploadplan::collectFiles(record.paths(), site, pass.htmlFiles).send,
              QStringList({"a.html", "a.md", "b.css"}));

    ASSERT_TRUE(writeFile(site + "/a.html", "<p>mine</p>"));
    EXPECT_FALSE(uploadplan::convertMarkdown(record.paths(), site, true).ok);
}

TEST_F(PlanTest, ConfirmationTextListsFilesAndDestination) {
    Site s;
    s.setValue(sitekey::server, "ftp.example.com");
    s.setValue(sitekey::serverfolder, "/www");
    EXPECT_EQ(uploadplan::confirmationText(s, {"index.html", "img/a.png"}),
              "Click OK to upload these files:\n\n\tindex.html\n\timg/a.png\n\nto:\n\n"
              "\tftp.example.com/www");
    // A relative folder is not shown as if it were taken from the root.
    s.setValue(sitekey::serverfolder, "www/site");
    EXPECT_TRUE(uploadplan::confirmationText(s, {"index.html"})
                    .endsWith("\tftp.example.com, folder www/site inside the login folder"));
}

TEST_F(PlanTest, VanishedFilesAreThoseOfTheSiteOnly) {
    make(site + "/index.html");
    make(other + "/x.html");
    record.mark(site + "/deleted.html");
    record.mark(other + "/deleted.html");
    record.mark("/elsewhere/y.html");
    EXPECT_EQ(uploadplan::vanishedFiles(record.paths(), site), QStringList{site + "/deleted.html"});
}

// Symbolic links must not carry a file from outside the site to the server,
// nor carry a conversion's output into another site.
TEST_F(PlanTest, LinksLeadingOutsideTheSiteAreRefused) {
    make(site + "/index.html");
    ASSERT_TRUE(writeFile(root.path() + "/private/secret.txt", "secret"));
    ASSERT_TRUE(writeFile(root.path() + "/private/notes.md", "# Secret\n"));
    ASSERT_TRUE(QFile::link(root.path() + "/private", site + "/link_out"));
    ASSERT_TRUE(QFile::link(root.path() + "/private/secret.txt", site + "/alias.html"));
    ASSERT_TRUE(QFile::link(root.path() + "/private/notes.md", site + "/notes.md"));
    QDir().mkpath(site + "/real");
    make(site + "/real/page.html");
    ASSERT_TRUE(QFile::link(site + "/real", site + "/inside")); // stays in the site
    for (const QString rel : {"link_out/secret.txt", "alias.html", "notes.md", "inside/page.html"})
        record.mark(site + "/" + rel);

    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record.paths(), site);
    EXPECT_TRUE(pass.ok);
    EXPECT_TRUE(pass.htmlFiles.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(site + "/notes.html"));

    const uploadplan::Files files = uploadplan::collectFiles(record.paths(), site);
    EXPECT_EQ(files.send, QStringList({"index.html", "inside/page.html", "real/page.html"}));
    QStringList refused;
    for (const auto& r : files.refused) {
        refused << r.file;
        EXPECT_EQ(r.reason, "a symbolic link leads it outside the site folder");
    }
    EXPECT_EQ(refused, QStringList({"alias.html", "link_out/secret.txt", "notes.md"}));
    Site s;
    s.setValue(sitekey::server, "ftp.example.com");
    EXPECT_TRUE(
        uploadplan::confirmationText(s, files, "Go:")
            .endsWith("These files will not be sent:\n\n"
                      "\talias.html (a symbolic link leads it outside the site folder)\n"
                      "\tlink_out/secret.txt (a symbolic link leads it outside the site folder)\n"
                      "\tnotes.md (a symbolic link leads it outside the site folder)"));
}

TEST_F(PlanTest, ConversionNeverWritesThroughALink) {
    make(site + "/a.md", "# A\n");
    // Another site's generated page, which a conversion would replace.
    ASSERT_TRUE(writeFile(other + "/a.html", markdown::kGeneratedHeader + QByteArray("<p>B</p>")));
    ASSERT_TRUE(QFile::link(other + "/a.html", site + "/a.html"));
    for (bool dry : {true, false}) {
        const uploadplan::MarkdownPass pass =
            uploadplan::convertMarkdown(record.paths(), site, dry);
        EXPECT_FALSE(pass.ok);
        EXPECT_EQ(pass.error.kind, markdown::Error::Kind::LinkedTarget);
        EXPECT_EQ(pass.error.title,
                  "Can't convert \"a.md\" because \"a.html\" is a symbolic link.");
    }
    EXPECT_TRUE(readFile(other + "/a.html").endsWith("<p>B</p>"));
}

} // namespace
