// Which files the Upload command sends, and what the record holds after each
// outcome.
#include "publish_support.h"
#include "testenv.h"
#include "upload/needinguploadrecord.h"
#include "upload/uploadplan.h"

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
}

TEST_F(PlanTest, CollectsExistingFilesOfTheSiteOnly) {
    make(site + "/index.html");
    make(site + "/img/logo.png");
    make(other + "/x.html");
    record.mark(site + "/deleted.html"); // file gone since it was marked
    QDir().mkpath(site + "/folder.html");
    record.mark(site + "/folder.html"); // a folder where a file was

    EXPECT_EQ(uploadplan::collectFiles(record, site), QStringList({"img/logo.png", "index.html"}));
    EXPECT_EQ(record.size(), 5); // collecting changes nothing

    NeedingUploadRecord onlyOther;
    onlyOther.mark(other + "/x.html");
    EXPECT_TRUE(uploadplan::collectFiles(onlyOther, site).isEmpty());
}

TEST_F(PlanTest, MarkdownPassAddsTheHtmlBesideIt) {
    make(site + "/a.md", "# A\n");
    make(site + "/b.html");
    make(other + "/c.md", "# C\n"); // another site's file is left alone
    record.mark(site + "/gone.md");

    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record, site);
    ASSERT_TRUE(pass.ok);
    EXPECT_EQ(pass.htmlFiles, QStringList{site + "/a.html"});
    EXPECT_TRUE(record.contains(site + "/a.html"));
    EXPECT_TRUE(readFile(site + "/a.html").contains("<h1>A</h1>"));
    EXPECT_FALSE(QFileInfo::exists(other + "/c.html"));
    EXPECT_FALSE(QFileInfo::exists(site + "/gone.html"));
    EXPECT_EQ(uploadplan::collectFiles(record, site), QStringList({"a.html", "a.md", "b.html"}));
}

TEST_F(PlanTest, MarkdownPassStopsAtAHandWrittenHtml) {
    make(site + "/a.md", "# A\n");
    make(site + "/z.md", "# Z\n");
    ASSERT_TRUE(writeFile(site + "/z.html", "<p>hand made</p>"));

    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record, site);
    EXPECT_FALSE(pass.ok);
    EXPECT_EQ(pass.failedPath, site + "/z.md");
    EXPECT_EQ(pass.error.kind, markdown::Error::Kind::ForeignTarget);
    EXPECT_EQ(readFile(site + "/z.html"), "<p>hand made</p>");
    // The file converted before the failure keeps its mark.
    EXPECT_TRUE(record.contains(site + "/a.html"));
}

TEST_F(PlanTest, DryRunWritesNothingButListsTheHtml) {
    make(site + "/a.md", "# A\n");
    make(site + "/b.css");
    const uploadplan::MarkdownPass pass = uploadplan::convertMarkdown(record, site, true);
    ASSERT_TRUE(pass.ok);
    EXPECT_FALSE(QFileInfo::exists(site + "/a.html"));
    EXPECT_FALSE(record.contains(site + "/a.html"));
    EXPECT_EQ(uploadplan::collectFiles(record, site, pass.htmlFiles),
              QStringList({"a.html", "a.md", "b.css"}));

    ASSERT_TRUE(writeFile(site + "/a.html", "<p>mine</p>"));
    EXPECT_FALSE(uploadplan::convertMarkdown(record, site, true).ok);
}

TEST_F(PlanTest, ConfirmationTextListsFilesAndDestination) {
    Site s;
    s.setValue(sitekey::server, "ftp.example.com");
    s.setValue(sitekey::serverfolder, "/www");
    EXPECT_EQ(uploadplan::confirmationText(s, {"index.html", "img/a.png"}),
              "Click OK to upload these files:\n\n\tindex.html\n\timg/a.png\n\nto:\n\n"
              "\tftp.example.com/www");
}

TEST_F(PlanTest, SuccessForgetsSentFilesAndVanishedOnesOfTheSiteOnly) {
    make(site + "/index.html");
    make(site + "/sub/a.html");
    make(other + "/x.html");
    record.mark(site + "/deleted.html");
    record.mark(other + "/deleted.html");
    record.mark("/elsewhere/y.html");

    const QStringList files = uploadplan::collectFiles(record, site);
    EXPECT_TRUE(uploadplan::forgetSentFiles(record, site, files));
    EXPECT_EQ(record.paths(),
              QStringList({"/elsewhere/y.html", other + "/deleted.html", other + "/x.html"}));
    EXPECT_FALSE(uploadplan::forgetSentFiles(record, site, {}));
}

} // namespace
