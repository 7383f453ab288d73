// Files that must never be written from the editor: images, fonts, archives,
// PDFs, binary data, files that cannot be read, and entries that are not
// regular files. Whatever the user does (select, the Edit tab, typing, every
// save trigger) they stay byte for byte as they were and are never marked.
#include "sitefixture.h"

#include "../tree/treefixture.h"
#include "app/filenotice.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QStackedWidget>

#include <sys/stat.h>
#include <unistd.h>

using namespace morvane;
using namespace morvane::test;

namespace {

QByteArray randomWithNul() {
    QByteArray b(4096, Qt::Uninitialized);
    QRandomGenerator rng(42);
    for (char& c : b)
        c = char(rng.bounded(256));
    b[100] = '\0';
    return b;
}

struct Kind {
    const char* name;
    QByteArray bytes;
};

std::vector<Kind> notTextKinds() {
    return {
        {"logo.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)},
        {"photo.jpeg", QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01", 17)},
        {"font.woff", QByteArray("wOFF\0\x01\0\0\0\0\x04\0", 12)},
        {"font.ttf", QByteArray("\0\x01\0\0\0\x0F\0\x80\0\x03\0p", 12)},
        {"site.zip", QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10)},
        {"manual.pdf", QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<<>>\nendobj\n")},
        {"data.html", randomWithNul()},
    };
}

} // namespace

class FilesTest : public SiteFixture {
protected:
    FileNotice* shownNotice() const {
        return qobject_cast<FileNotice*>(app->window()->editorStack()->currentWidget());
    }
};

TEST_F(FilesTest, FilesThatAreNotTextSurviveEverythingAndAreNeverMarked) {
    for (const Kind& k : notTextKinds())
        writeFile(at(k.name), k.bytes);
    app->actionRefresh();
    for (const Kind& k : notTextKinds()) {
        for (const Trigger& t : saveTriggers()) {
            SCOPED_TRACE(std::string(k.name) + " / " + t.name);
            app->setSiteToCurrent("One");
            clearMarks();
            selectPath(k.name);
            ASSERT_EQ(currentName(), k.name);
            OpenFile* f = app->openFiles()->currentFile();
            EXPECT_EQ(f->load, FileLoad::NotText);
            EXPECT_EQ(app->window()->tabView()->currentIndex(), 1) << "opens in the preview";
            // The Edit tab shows a notice, never an editor.
            app->window()->tabView()->setCurrentIndex(0);
            EXPECT_EQ(editor(), nullptr);
            ASSERT_NE(shownNotice(), nullptr);
            EXPECT_TRUE(shownNotice()->title().contains("is not a text file"));
            typeInto(app->window()->editorStack()->currentWidget(), "a");
            if (QWidget* focus = QApplication::focusWidget())
                typeInto(focus, "b");
            t.run(*app);
            EXPECT_EQ(readFile(at(k.name)), k.bytes);
            EXPECT_FALSE(marked(k.name));
        }
    }
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
}

TEST_F(FilesTest, EntriesThatAreNotRegularFilesAreShownForWhatTheyAre) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe.html")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", at("zero.html")));
    app->actionRefresh();
    for (const char* name : {"pipe.html", "zero.html"}) {
        SCOPED_TRACE(name);
        // Selecting must come back at once: no waiting for a writer, no
        // reading without end.
        selectPath(name);
        ASSERT_EQ(currentName(), name);
        EXPECT_EQ(editor(), nullptr);
        ASSERT_NE(shownNotice(), nullptr);
        EXPECT_TRUE(shownNotice()->detail().contains("not a regular file"))
            << shownNotice()->detail().toStdString();
        app->actionSave();
        EXPECT_FALSE(marked(name));
    }
    EXPECT_TRUE(QFileInfo(at("pipe.html")).isFile() == false);
    EXPECT_TRUE(RecordingPlatform::current().alerts.isEmpty());
}

TEST_F(FilesTest, ALargeFileIsReadOnlyAfterTheUserAgreed) {
    // A sparse file: large on paper, no room taken on disk.
    {
        QFile big(at("huge.html"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(kLargeFileBytes + 1));
    }
    app->actionRefresh();
    RecordingPlatform::current().queueAnswer(0); // Don't Open
    selectPath("huge.html");
    ASSERT_EQ(RecordingPlatform::current().alerts.size(), 1);
    EXPECT_TRUE(RecordingPlatform::current().alerts.first().title.contains("MB"));
    EXPECT_EQ(editor(), nullptr);
    ASSERT_NE(shownNotice(), nullptr);
    EXPECT_TRUE(shownNotice()->title().contains("was not opened"));
    app->actionSave();
    EXPECT_FALSE(marked("huge.html"));
    EXPECT_EQ(QFileInfo(at("huge.html")).size(), kLargeFileBytes + 1);
    // Showing it again does not ask again; Try Again does.
    selectPath("a.html");
    selectPath("huge.html");
    EXPECT_EQ(RecordingPlatform::current().alerts.size(), 1);
}

TEST_F(FilesTest, AFileThatCannotBeReadIsReadOnlyUntilAReadSucceeds) {
    // Run without root's rights, so that the permission is real. The file
    // may be written (mode 0200) but not read: the old program wrote an
    // empty editor over it.
    const QByteArray secret = "<p>the only copy</p>\n";
    writeFile(at("secret.html"), secret);
    ::chmod(QFile::encodeName(homeDir()).constData(), 0711);
    ::chmod(QFile::encodeName(site).constData(), 0777);
    ::chown(QFile::encodeName(at("secret.html")).constData(), 65534, 65534);
    ::chmod(QFile::encodeName(at("secret.html")).constData(), 0200);
    app->actionRefresh();
    expectPassesUnprivileged([&] {
        int failed = 0;
        selectPath("secret.html");
        OpenFile* f = app->openFiles()->currentFile();
        if (!f || f->load != FileLoad::Unreadable || editor())
            failed |= 1;
        if (!shownNotice() || shownNotice()->detail().isEmpty())
            failed |= 2; // the reason is shown
        if (QWidget* focus = QApplication::focusWidget())
            typeInto(focus, "x");
        for (const Trigger& t : saveTriggers()) {
            if (QString(t.name) == "site switch")
                break; // keeps the file open for the rest
            if (QString(t.name) == "tab switch to preview")
                continue; // the web engine's threads do not survive the fork
            selectPath("secret.html");
            t.run(*app);
        }
        if (app->needingUpload().contains(at("secret.html")))
            failed |= 4;
        // Readable again: Try Again puts it in an editor.
        ::chmod(QFile::encodeName(at("secret.html")).constData(), 0600);
        selectPath("secret.html");
        f = app->openFiles()->currentFile();
        if (shownNotice())
            shownNotice()->retryButton()->click();
        if (!f || f->load != FileLoad::Text || !editor() ||
            editor()->toPlainText() != QString::fromUtf8(secret))
            failed |= 8;
        return failed;
    });
    ::chmod(QFile::encodeName(at("secret.html")).constData(), 0600);
    EXPECT_EQ(readFile(at("secret.html")), secret);
    ::chmod(QFile::encodeName(homeDir()).constData(), 0700);
}
