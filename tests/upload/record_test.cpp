// The needing-upload record: its property-list form, written and read back
// exactly; keys of every shape; and files that cannot be read, which must be
// kept rather than replaced.

#include "qtprinters.h"
#include "testenv.h"
#include "upload/needinguploadrecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace morvane {
namespace {

using test::readFile;
using test::writeFile;
using Result = NeedingUploadRecord::LoadResult;

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                           "<plist version=\"1.0\">\n";

class RecordTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("NeedingUpload.dict")); }
    QStringList folderContents() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QTemporaryDir dir;
};

TEST_F(RecordTest, WritesThePropertyListFormat) {
    NeedingUploadRecord r(path());
    ASSERT_TRUE(r.save());
    EXPECT_EQ(readFile(path()), kHeader + "<dict/>\n</plist>\n");

    r.mark(QStringLiteral("/site/b.html"));
    r.mark(QString::fromUtf8("/site/a & <\xC3\xA9>.php"));
    ASSERT_TRUE(r.save());
    EXPECT_EQ(readFile(path()), kHeader + "<dict>\n"
                                          "\t<key>/site/a &amp; &lt;\xC3\xA9&gt;.php</key>\n"
                                          "\t<string>1</string>\n"
                                          "\t<key>/site/b.html</key>\n"
                                          "\t<string>1</string>\n"
                                          "</dict>\n"
                                          "</plist>\n");
}

TEST_F(RecordTest, ReadsPropertyListsWrittenByOtherTools) {
    // CRLF line ends, comments, other values than "1", references, a nested
    // value and a bare dictionary root all read as marks.
    ASSERT_TRUE(writeFile(path(),
                          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                          "<!-- written by hand -->\r\n"
                          "<plist version=\"1.0\"><dict>\r\n"
                          "  <key>/a&#x20;b/&#233;.html</key><string>yes</string>\r\n"
                          "  <key>/c.html</key><true/>\r\n"
                          "  <key>/d.html</key><dict><key>x</key><string>y</string></dict>\r\n"
                          "</dict></plist>\r\n"));
    NeedingUploadRecord r(path());
    ASSERT_EQ(r.load(), Result::Loaded);
    EXPECT_EQ(r.paths(), (QStringList{QString::fromUtf8("/a b/\xC3\xA9.html"),
                                      QStringLiteral("/c.html"), QStringLiteral("/d.html")}));

    ASSERT_TRUE(writeFile(path(), "<dict><key>/e.html</key><string>1</string></dict>"));
    ASSERT_EQ(r.load(), Result::Loaded);
    EXPECT_EQ(r.paths(), QStringList{QStringLiteral("/e.html")});
}

TEST_F(RecordTest, AnyKeyComesBackExactly) {
    QStringList keys = {
        QStringLiteral("/site/with space.html"),
        QStringLiteral("  /leading and trailing  "),
        QString::fromUtf8("/site/\xC3\xBC\xC3\xB1\xC3\xAF\xE6\x97\xA5\xF0\x9F\x98\x80.html"),
        QStringLiteral("/site/line\nbreak.html"),
        QStringLiteral("/site/cr\ronly.html"),
        QStringLiteral("/site/crlf\r\n.html"),
        QStringLiteral("/site/\n\n\r\r\n"),
        QStringLiteral("/site/tab\there.html"),
        QStringLiteral("/site/<tag attr=\"v\">&amp;'quoted'</tag>"),
        QStringLiteral("/site/]]>cdata end"),
        QStringLiteral("/site/&#1; literal reference"),
        QStringLiteral("/site/&#x7; another"),
        QString(),
        // Private-use characters and the characters XML cannot hold at all.
        QString::fromUtf8("/site/\xEF\x9C\x80\xEF\x9C\x81\xEF\x9C\x9F private use"),
        QString::fromUtf8("/site/\xEF\xBF\xBE\xEF\xBF\xBF noncharacters"),
    };
    QString controls = QStringLiteral("/site/");
    for (char16_t c = 1; c < 0x20; ++c)
        controls += QChar(c);
    controls += QChar(u'\x7F');
    keys << controls;
    keys << QStringLiteral("/site/") + QChar(u'\0') + QStringLiteral("nul");

    NeedingUploadRecord r(path());
    for (const QString& k : keys)
        r.mark(k);
    ASSERT_EQ(r.size(), keys.size());
    QString error;
    ASSERT_TRUE(r.save(&error)) << error.toStdString();

    NeedingUploadRecord back(path());
    ASSERT_EQ(back.load(), Result::Loaded);
    QStringList expected = keys;
    expected.sort();
    QStringList got = back.paths();
    got.sort();
    ASSERT_EQ(got.size(), expected.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], expected[i]) << "entry " << i;
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("NeedingUpload.dict")});
}

TEST_F(RecordTest, MarksAreAlwaysOneAndEditsAreExact) {
    NeedingUploadRecord r(path());
    r.mark(QStringLiteral("/a"));
    r.mark(QStringLiteral("/a"));
    r.mark(QStringLiteral("/A"));
    r.mark(QStringLiteral("/b"));
    EXPECT_EQ(r.size(), 3); // keys are case-sensitive and not normalised
    EXPECT_TRUE(r.unmark(QStringLiteral("/A")));
    EXPECT_FALSE(r.unmark(QStringLiteral("/A")));
    EXPECT_FALSE(r.contains(QStringLiteral("/A")));
    r.removePaths({QStringLiteral("/b"), QStringLiteral("/never")});
    EXPECT_EQ(r.paths(), QStringList{QStringLiteral("/a")});
    ASSERT_TRUE(r.save());
    EXPECT_TRUE(readFile(path()).contains("<key>/a</key>\n\t<string>1</string>"));

    r.clear();
    ASSERT_TRUE(r.save());
    NeedingUploadRecord back(path());
    EXPECT_EQ(back.load(), Result::Loaded);
    EXPECT_TRUE(back.isEmpty());
}

TEST_F(RecordTest, MissingFileGivesAnEmptyRecordAndTheFirstChangeCreatesIt) {
    // The data folder may not exist yet on a first run.
    const QString fresh = dir.filePath(QStringLiteral("Morvane/NeedingUpload.dict"));
    NeedingUploadRecord r(fresh);
    EXPECT_EQ(r.load(), Result::Missing);
    EXPECT_TRUE(r.isEmpty());
    r.mark(QStringLiteral("/x.html"));
    QString error;
    ASSERT_TRUE(r.save(&error)) << error.toStdString();
    NeedingUploadRecord back(fresh);
    EXPECT_EQ(back.load(), Result::Loaded);
    EXPECT_EQ(back.paths(), QStringList{QStringLiteral("/x.html")});
}

TEST_F(RecordTest, EmptyFileIsAnEmptyRecord) {
    for (const QByteArray& bytes : {QByteArray(), QByteArray(" \n\t\r\n")}) {
        ASSERT_TRUE(writeFile(path(), bytes));
        NeedingUploadRecord r(path());
        EXPECT_EQ(r.load(), Result::Loaded);
        EXPECT_TRUE(r.isEmpty());
        EXPECT_EQ(folderContents(), QStringList{QStringLiteral("NeedingUpload.dict")});
    }
}

TEST_F(RecordTest, UnreadableFilesAreSetAsideNotReplaced) {
    const std::pair<const char*, QByteArray> bad[] = {
        {"not xml", "hello, world\n"},
        {"binary plist", QByteArray("bplist00\xD1\x01\x02\x00\x00", 13)},
        {"root array", kHeader + "<array><string>/a</string></array>\n</plist>\n"},
        {"root string", kHeader + "<string>/a</string>\n</plist>\n"},
        {"empty plist", kHeader + "</plist>\n"},
        {"key without value", kHeader + "<dict><key>/a</key></dict></plist>\n"},
        {"value without key", kHeader + "<dict><string>1</string></dict></plist>\n"},
        {"two keys", kHeader + "<dict><key>/a</key><key>/b</key><string>1</string></dict></plist>"},
        {"mismatched tags", kHeader + "<dict><key>/a</string></dict></plist>\n"},
        {"trailing garbage", kHeader + "<dict/></plist><dict/>"},
        {"nul bytes", QByteArray(1024, '\0')},
        {"utf-16 garbage", QByteArray("\xFF\xFE<\0p\0", 6)},
    };
    for (const auto& [label, bytes] : bad) {
        SCOPED_TRACE(label);
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        ASSERT_TRUE(writeFile(path(), bytes));
        NeedingUploadRecord r(path());
        QString aside;
        ASSERT_EQ(r.load(&aside), Result::SetAside);
        EXPECT_TRUE(r.isEmpty());
        EXPECT_EQ(aside, path() + QStringLiteral(".corrupt"));
        EXPECT_EQ(readFile(aside), bytes) << "the unreadable file is kept as it was";
        EXPECT_FALSE(QFileInfo::exists(path()));

        // The next write starts a fresh record and leaves the kept one alone.
        r.mark(QStringLiteral("/new.html"));
        ASSERT_TRUE(r.save());
        EXPECT_EQ(readFile(aside), bytes);
        NeedingUploadRecord back(path());
        EXPECT_EQ(back.load(), Result::Loaded);
        EXPECT_EQ(back.paths(), QStringList{QStringLiteral("/new.html")});
    }
}

TEST_F(RecordTest, EveryTruncationIsReadWholeOrSetAside) {
    NeedingUploadRecord full(path());
    for (int i = 0; i < 5; ++i)
        full.mark(QStringLiteral("/site/page %1.html").arg(i));
    full.mark(QStringLiteral("/site/ctl\x01\r\n"));
    ASSERT_TRUE(full.save());
    const QByteArray whole = readFile(path());
    const QString aside = path() + QStringLiteral(".corrupt");

    for (qsizetype n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE(n);
        QFile::remove(aside);
        ASSERT_TRUE(writeFile(path(), whole.left(n)));
        NeedingUploadRecord r(path());
        const Result result = r.load();
        if (result == Result::Loaded) {
            // Only a file that still holds everything may read as loaded: an
            // empty one, or one cut after the closing tag.
            EXPECT_TRUE(n == 0 || whole.left(n).contains("</plist>")) << "read a partial record";
            if (n > 0) {
                EXPECT_EQ(r.paths(), full.paths());
            }
        } else {
            ASSERT_EQ(result, Result::SetAside);
            EXPECT_EQ(readFile(aside), whole.left(n));
        }
    }
}

TEST_F(RecordTest, RepeatedCorruptionKeepsEveryCopy) {
    ASSERT_TRUE(writeFile(path(), "first bad"));
    ASSERT_TRUE(writeFile(path() + QStringLiteral(".corrupt"), "older"));
    NeedingUploadRecord r(path());
    QString aside;
    ASSERT_EQ(r.load(&aside), Result::SetAside);
    EXPECT_EQ(aside, path() + QStringLiteral(".corrupt-2"));
    ASSERT_TRUE(writeFile(path(), "second bad"));
    ASSERT_EQ(r.load(&aside), Result::SetAside);
    EXPECT_EQ(aside, path() + QStringLiteral(".corrupt-3"));
    EXPECT_EQ(readFile(path() + QStringLiteral(".corrupt")), QByteArray("older"));
    EXPECT_EQ(readFile(path() + QStringLiteral(".corrupt-2")), QByteArray("first bad"));
    EXPECT_EQ(readFile(path() + QStringLiteral(".corrupt-3")), QByteArray("second bad"));
}

TEST_F(RecordTest, UnreadableFileThatCannotBeMovedIsNeverOverwritten) {
    // A record file inside a folder we may not change: it cannot be set aside.
    const QString locked = dir.filePath(QStringLiteral("locked"));
    const QString file = locked + QStringLiteral("/NeedingUpload.dict");
    ASSERT_TRUE(writeFile(file, "garbage"));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (QFile::rename(file, file + QStringLiteral(".probe"))) {
        QFile::rename(file + QStringLiteral(".probe"), file);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        GTEST_SKIP() << "running with the right to change any folder";
    }
    NeedingUploadRecord r(file);
    EXPECT_EQ(r.load(), Result::Unreadable);
    r.mark(QStringLiteral("/a"));
    QString error;
    EXPECT_FALSE(r.save(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFile(file), QByteArray("garbage"));
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(RecordTest, FailedWriteKeepsTheOldFileAndTheMarks) {
    NeedingUploadRecord r(path());
    r.mark(QStringLiteral("/a"));
    ASSERT_TRUE(r.save());
    const QByteArray before = readFile(path());

    // Writing into a folder that is a file fails.
    NeedingUploadRecord elsewhere(path() + QStringLiteral("/inside.dict"));
    elsewhere.mark(QStringLiteral("/b"));
    QString error;
    EXPECT_FALSE(elsewhere.save(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(elsewhere.contains(QStringLiteral("/b")));
    EXPECT_EQ(readFile(path()), before);
}

} // namespace
} // namespace morvane
