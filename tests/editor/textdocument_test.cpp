// An open file's document against the file on disk: what it notices when
// another program changes, removes or puts back the file, what it reads when
// told to (again, or in another encoding), and that what it writes is the
// file's own bytes wherever the user changed nothing.
#include "core/encoding.h"
#include "editor/textdocument.h"
#include "qtprinters.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>

namespace morvane {
namespace {

using State = TextDocument::DiskState;

class TextDocumentTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("page.html")); }
    void write(const QByteArray& bytes) { ASSERT_TRUE(test::writeFile(path(), bytes)); }
    // Types at the end of the text, as an edit of the user's.
    static void typeAtEnd(TextDocument& doc, const QString& text) {
        QTextCursor c(doc.document());
        c.movePosition(QTextCursor::End);
        c.insertText(text);
    }
    QTemporaryDir dir;
};

// Each case: what happens to the file after it was read, whether the user
// edited meanwhile, then one comparison with the disk.
struct DiskCase {
    const char* name;
    bool edited;
    std::function<void(const QString& path, const QString& aside)> change;
    State state;
    const char* text; // the document's text afterwards
    int changedSignals;
    int goneSignals;
};

TEST_F(TextDocumentTest, FollowsTheFileOnDisk) {
    const auto rewrite = [](const QString& p, const QString&) {
        test::writeFile(p, "<p>theirs, longer</p>\n");
    };
    const auto remove = [](const QString& p, const QString&) { QFile::remove(p); };
    const auto awayAndBack = [](const QString& p, const QString& aside) {
        QFile::rename(p, aside);
        QFile::rename(aside, p);
    };
    const auto replaced = [](const QString& p, const QString&) {
        QFile::remove(p);
        test::writeFile(p, "<p>new file</p>\n");
    };
    const std::vector<DiskCase> cases = {
        {"unchanged", false, nullptr, State::Same, "<p>a</p>\n", 0, 0},
        {"unchanged, edited", true, nullptr, State::Same, "<p>a</p>\nmine", 0, 0},
        {"changed outside, no edits: taken in", false, rewrite, State::Same,
         "<p>theirs, longer</p>\n", 0, 0},
        {"changed outside, edited: kept and noticed", true, rewrite, State::ChangedOutside,
         "<p>a</p>\nmine", 1, 0},
        {"gone", false, remove, State::Gone, "<p>a</p>\n", 0, 1},
        {"gone, edited", true, remove, State::Gone, "<p>a</p>\nmine", 0, 1},
        {"moved away and back", true, awayAndBack, State::Same, "<p>a</p>\nmine", 0, 0},
        {"replaced by another file, no edits", false, replaced, State::Same, "<p>new file</p>\n", 0,
         0},
        {"replaced by another file, edited", true, replaced, State::ChangedOutside,
         "<p>a</p>\nmine", 1, 0},
    };
    for (const DiskCase& c : cases) {
        SCOPED_TRACE(c.name);
        write("<p>a</p>\n");
        TextDocument doc(path());
        ASSERT_TRUE(doc.read().ok);
        if (c.edited)
            typeAtEnd(doc, QStringLiteral("mine"));
        QSignalSpy changed(&doc, &TextDocument::changedOnDisk);
        QSignalSpy gone(&doc, &TextDocument::gone);
        if (c.change)
            c.change(path(), dir.filePath(QStringLiteral("aside.html")));
        EXPECT_EQ(doc.checkDisk(), c.state);
        EXPECT_EQ(doc.diskState(), c.state);
        EXPECT_EQ(doc.text(), QString::fromUtf8(c.text));
        EXPECT_EQ(doc.isModified(), c.edited);
        EXPECT_EQ(changed.count(), c.changedSignals);
        EXPECT_EQ(gone.count(), c.goneSignals);
        QFile::remove(path());
    }
}

TEST_F(TextDocumentTest, AGoneFileThatComesBackIsInStepAgain) {
    write("<p>a</p>\n");
    TextDocument doc(path());
    ASSERT_TRUE(doc.read().ok);
    const QString aside = dir.filePath(QStringLiteral("aside.html"));
    ASSERT_TRUE(QFile::rename(path(), aside));
    EXPECT_EQ(doc.checkDisk(), State::Gone);
    ASSERT_TRUE(QFile::rename(aside, path()));
    QSignalSpy states(&doc, &TextDocument::diskStateChanged);
    EXPECT_EQ(doc.checkDisk(), State::Same);
    EXPECT_EQ(states.count(), 1);
    // Its own save is no change by another program.
    typeAtEnd(doc, QStringLiteral("x"));
    QString error;
    ASSERT_TRUE(doc.save(&error)) << error.toStdString();
    EXPECT_EQ(doc.checkDisk(), State::Same);
    EXPECT_FALSE(doc.isModified());
}

// Reading the file: as the bytes say, again after a change, or in the
// encoding the user chose.
TEST_F(TextDocumentTest, ReadsAgainAndInAnotherEncoding) {
    struct Case {
        const char* name;
        QByteArray first; // the file when first read
        QByteArray now;   // the file when read again
        QString encoding; // asked for the second read; empty: as found
        bool ok;          // whether the second read succeeds
        QString text;     // the document's text afterwards
        QString encodingAfter;
        bool bomAfter;
    };
    const QString eAcute = QString(QChar(0xE9));
    const std::vector<Case> cases = {
        {"reload", "one\n", "one\ntwo\n", {}, true, "one\ntwo\n", encoding::kUtf8, false},
        {"reopen UTF-8 as Windows-1252", "caf\xC3\xA9\n", "caf\xC3\xA9\n", encoding::kWindows1252,
         true, "caf\u00C3\u00A9\n", encoding::kWindows1252, false},
        {"reopen Windows-1252 as UTF-8 fails, nothing changes", "caf\xE9\n", "caf\xE9\n",
         encoding::kUtf8, false, "caf" + eAcute + "\n", encoding::kWindows1252, false},
        {"byte-order mark kept",
         "\xEF\xBB\xBFhi\n",
         "\xEF\xBB\xBFhi there\n",
         {},
         true,
         "hi there\n",
         encoding::kUtf8,
         true},
        {"no longer text: nothing changes",
         "one\n",
         QByteArray("\x89PNG\r\n\x1A\n\0\0", 10),
         {},
         false,
         "one\n",
         encoding::kUtf8,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.first);
        TextDocument doc(path());
        ASSERT_TRUE(doc.read().ok);
        write(c.now);
        QSignalSpy read(&doc, &TextDocument::textRead);
        const TextFileContents result = doc.read(c.encoding);
        EXPECT_EQ(result.ok, c.ok);
        EXPECT_EQ(read.count(), c.ok ? 1 : 0);
        EXPECT_EQ(doc.text(), c.text);
        EXPECT_EQ(doc.format().encoding, c.encodingAfter);
        EXPECT_EQ(doc.format().byteOrderMark, c.bomAfter);
        EXPECT_FALSE(doc.isModified());
        // A reload is an edit the user can take back.
        EXPECT_EQ(doc.document()->isUndoAvailable(), c.ok);
    }
}

// Saving: the bytes the user did not change are written back as they were
// read (encoding, byte-order mark, each line's end); nothing is written that
// would read back as other text.
TEST_F(TextDocumentTest, SavesByteForByte) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QString typed; // appended by the user
        bool ok;
        QByteArray after; // the file afterwards
    };
    const std::vector<Case> cases = {
        {"CRLF", "a\r\nb\r\n", "c\n", true, "a\r\nb\r\nc\r\n"},
        {"mixed line ends kept line by line", "a\r\nb\nc\r", "d", true, "a\r\nb\nc\rd"},
        {"no end on the last line", "a\r\nb", "c", true, "a\r\nbc"},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBFx\n", QString(QChar(0x263A)), true,
         "\xEF\xBB\xBFx\n\xE2\x98\xBA"},
        {"Windows-1252", "caf\xE9\r\n", QString(QChar(0x20AC)), true, "caf\xE9\r\n\x80"},
        {"a character Windows-1252 cannot hold", "caf\xE9\r\n", QString(QChar(0x65E5)), false,
         "caf\xE9\r\n"},
        {"UTF-16LE", QByteArray("\xFF\xFEh\0i\0\n\0", 8), QStringLiteral("!"), true,
         QByteArray("\xFF\xFEh\0i\0\n\0!\0", 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.bytes);
        TextDocument doc(path());
        ASSERT_TRUE(doc.read().ok);
        typeAtEnd(doc, c.typed);
        QSignalSpy saved(&doc, &TextDocument::saved);
        QString error;
        qsizetype bad = -2;
        EXPECT_EQ(doc.save(&error, &bad), c.ok) << error.toStdString();
        EXPECT_EQ(test::readFile(path()), c.after);
        EXPECT_EQ(saved.count(), c.ok ? 1 : 0);
        EXPECT_EQ(doc.isModified(), !c.ok);
        EXPECT_EQ(bad, c.ok ? -1 : doc.text().indexOf(c.typed));
        if (c.ok) {
            EXPECT_EQ(saved.first().first().toString(), path());
        }
    }
}

} // namespace
} // namespace morvane
