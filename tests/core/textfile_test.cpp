// Reading files into the editor and writing them back: the bytes the user did
// not change must come back exactly, whatever the encoding and line ends, and
// a save must never damage the file, its permissions or its symbolic link.

#include "core/textfile.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <unistd.h>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace morvane {
namespace {

using test::readFile;
using test::writeFile;

QByteArray allByteValues() {
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(char(i));
    return b;
}

struct Sample {
    const char* label;
    QByteArray bytes;
    TextEncoding encoding;
};

std::vector<Sample> samples() {
    using E = TextEncoding;
    QByteArray reversed = allByteValues();
    std::reverse(reversed.begin(), reversed.end());
    return {
        {"empty", "", E::Utf8},
        {"lf", "<p>\n  x\n</p>\n", E::Utf8},
        {"crlf", "<p>\r\n  x\r\n</p>\r\n", E::Utf8},
        {"cr", "<p>\r  x\r</p>\r", E::Utf8},
        {"mixed ends", "a\nb\r\nc\rd\n\re\r\r\nf", E::Utf8},
        {"only line ends", "\r\n\r\n\n\r\r", E::Utf8},
        {"no final end", "one\r\ntwo", E::Utf8},
        {"utf8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF\n", E::Utf8},
        {"bom", "\xEF\xBB\xBF<html>\r\n</html>\r\n", E::Utf8},
        {"bom only", "\xEF\xBB\xBF", E::Utf8},
        {"bom twice", "\xEF\xBB\xBF\xEF\xBB\xBFx\n", E::Utf8},
        {"bom inside",
         "a\xEF\xBB\xBF"
         "b\n",
         E::Utf8},
        {"nul bytes", QByteArray("a\0b\0\r\n\0", 7), E::Utf8},
        {"noncharacters", "\xEF\xBF\xBE\xEF\xBF\xBF\n", E::Utf8},
        {"latin1", "caf\xE9\r\nna\xEFve\r\n", E::MacRoman},
        {"bom then latin1",
         "\xEF\xBB\xBF"
         "caf\xE9\n",
         E::MacRoman},
        {"overlong", "\xC0\xAF\n", E::MacRoman},
        {"encoded surrogate", "\xED\xA0\x80\n", E::MacRoman},
        {"past U+10FFFF", "\xF4\x90\x80\x80", E::MacRoman},
        {"truncated sequence", "abc\xE2\x82", E::MacRoman},
        {"lone continuation", "\x80", E::MacRoman},
        {"invalid with nul", QByteArray("\xFF\0\r\r\n", 5), E::MacRoman},
        {"all bytes", allByteValues(), E::MacRoman},
        {"all bytes reversed", reversed, E::MacRoman},
    };
}

TEST(TextFileRoundTrip, UneditedTextComesBackByteForByte) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.label);
        TextFileContents c = decodeText(s.bytes, QStringLiteral("page.html"));
        ASSERT_TRUE(c.ok);
        EXPECT_EQ(c.format.encoding, s.encoding);
        EXPECT_FALSE(c.text.contains(u'\r')) << "the editor sees '\\n' line ends only";
        EXPECT_EQ(encodeText(c.text, c.format), s.bytes);
    }
}

TEST(TextFileRoundTrip, EditedAndEditedBackIsIdentical) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.label);
        TextFileContents c = decodeText(s.bytes, QStringLiteral("page.php"));
        ASSERT_TRUE(c.ok);
        // Type a line in the middle and delete it again.
        const qsizetype at = c.text.size() / 2;
        QString edited = c.text;
        edited.insert(at, QStringLiteral("new line\n"));
        TextFormat scratch = c.format;
        encodeText(edited, scratch); // an intermediate save must not disturb the format
        edited.remove(at, 9);
        EXPECT_EQ(encodeText(edited, c.format), s.bytes);
    }
}

TEST(TextFileRoundTrip, ThroughTheDiskToo) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bytes.txt"));
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.label);
        ASSERT_TRUE(writeFile(path, s.bytes));
        TextFileContents c = readTextFile(path);
        ASSERT_TRUE(c.ok) << c.error.toStdString();
        QString error;
        ASSERT_TRUE(writeFileAtomically(path, encodeText(c.text, c.format), &error))
            << error.toStdString();
        EXPECT_EQ(readFile(path), s.bytes);
    }
}

TEST(TextFileLineEnds, NewLinesTakeTheFilesOwnEnd) {
    struct Case {
        QByteArray in, out;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", "a\r\nb\r\nc\r\n"},
        {"a\rb\r", "a\rb\rc\r"},
        {"a\nb\n", "a\nb\nc\n"},
        {"a\r\nb\r\nc\n", "a\r\nb\r\nc\nc\r\n"}, // mostly CRLF: the new line gets CRLF
        {"", "c\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.in.toStdString());
        TextFileContents c = decodeText(k.in, QStringLiteral("a.html"));
        ASSERT_TRUE(c.ok);
        EXPECT_EQ(encodeText(c.text + QStringLiteral("c\n"), c.format), k.out);
    }
}

TEST(TextFileLineEnds, DeletingLinesKeepsTheRemainingEnds) {
    TextFileContents c = decodeText("one\r\ntwo\r\nthree\r\n", QStringLiteral("a.html"));
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(encodeText(QStringLiteral("one\n"), c.format), QByteArray("one\r\n"));
    EXPECT_EQ(encodeText(QString(), c.format), QByteArray());
}

TEST(TextFileEncoding, MacRomanTableIsAOneToOneMapOfEveryByte) {
    std::set<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        const char16_t ch = macRomanToUnicode(uchar(b));
        EXPECT_TRUE(seen.insert(ch).second) << "byte " << b << " shares its character";
        unsigned char back = 0;
        ASSERT_TRUE(unicodeToMacRoman(ch, &back)) << b;
        EXPECT_EQ(back, b);
    }
    // A few well-known places of the table.
    EXPECT_EQ(macRomanToUnicode(0x80), u'\u00C4');
    EXPECT_EQ(macRomanToUnicode(0xA5), u'\u2022');
    EXPECT_EQ(macRomanToUnicode(0xDB), u'\u20AC');
    EXPECT_EQ(macRomanToUnicode(0xF0), u'\uF8FF');
    EXPECT_EQ(macRomanToUnicode(0xFF), u'\u02C7');
    unsigned char b = 0;
    EXPECT_FALSE(unicodeToMacRoman(u'\u2192', &b));
}

TEST(TextFileEncoding, Latin1FileReadsAsMacRomanAndStaysEightBit) {
    TextFileContents c = decodeText("caf\xE9\n", QStringLiteral("index.html"));
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.text, QString::fromUtf8("caf\xC3\x88\n")); // 0xE9 is È in Mac OS Roman
    // Typing characters the table holds keeps the file in its 8-bit form.
    EXPECT_EQ(encodeText(c.text + QString::fromUtf8("\xC3\x84\xE2\x82\xAC"), c.format),
              QByteArray("caf\xE9\n\x80\xDB"));
    EXPECT_EQ(c.format.encoding, TextEncoding::MacRoman);
}

TEST(TextFileEncoding, CharactersOutsideMacRomanSwitchTheFileToUtf8) {
    TextFileContents c = decodeText("caf\xE9\r\n", QStringLiteral("index.html"));
    ASSERT_TRUE(c.ok);
    const QString typed = c.text + QString::fromUtf8("\xE2\x86\x92 \xE6\x97\xA5\n");
    const QByteArray out = encodeText(typed, c.format);
    EXPECT_EQ(c.format.encoding, TextEncoding::Utf8);
    EXPECT_FALSE(c.format.byteOrderMark);
    // Nothing typed is lost, and the line ends stay CRLF.
    EXPECT_EQ(out, QByteArray("caf\xC3\x88\r\n\xE2\x86\x92 \xE6\x97\xA5\r\n"));
    TextFileContents back = decodeText(out, QStringLiteral("index.html"));
    EXPECT_EQ(back.text, typed);
}

TEST(TextFileEncoding, ImagesThatAreNotUtf8AreNotText) {
    const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    for (const char* name : {"a.png", "b.PNG", "c.gif", "d.jpg", "e.JpG"}) {
        SCOPED_TRACE(name);
        TextFileContents c = decodeText(png, QString::fromLatin1(name));
        EXPECT_FALSE(c.ok);
        EXPECT_TRUE(c.notText);
        EXPECT_TRUE(c.error.isEmpty());
    }
    // "jpeg" is not on the list of skipped names, and a valid UTF-8 image name
    // reads as text.
    EXPECT_TRUE(decodeText(png, QStringLiteral("photo.jpeg")).ok);
    EXPECT_TRUE(decodeText("GIF89a", QStringLiteral("x.gif")).ok);
    EXPECT_TRUE(decodeText(png, QStringLiteral("png")).ok); // a name, not an extension
}

TEST(TextFileRead, MissingOrUnreadableFileReportsTheSystemsReason) {
    QTemporaryDir dir;
    TextFileContents missing = readTextFile(dir.filePath(QStringLiteral("gone.html")));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.notText);
    EXPECT_FALSE(missing.error.isEmpty());

    TextFileContents folder = readTextFile(dir.path());
    EXPECT_FALSE(folder.ok);
    EXPECT_FALSE(folder.notText);
    EXPECT_FALSE(folder.error.isEmpty());
}

TEST(TextFileRead, OddFileNames) {
    QTemporaryDir dir;
    for (const QString& name :
         {QStringLiteral("with space.html"),
          QString::fromUtf8("\xC3\xBC\xE6\x97\xA5 \xF0\x9F\x98\x80.php"),
          QStringLiteral("line\nbreak.html"), QStringLiteral("tab\tand\rcr.css")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.filePath(name);
        QString error;
        ASSERT_TRUE(writeFileAtomically(path, "x\r\n", &error)) << error.toStdString();
        TextFileContents c = readTextFile(path);
        ASSERT_TRUE(c.ok);
        EXPECT_EQ(encodeText(c.text, c.format), QByteArray("x\r\n"));
    }
}

// Names in the folder other than the ones given: temporary files left behind.
QStringList strayFiles(const QString& folder, const QStringList& expected) {
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& e : expected)
        names.removeAll(e);
    return names;
}

TEST(TextFileWrite, KeepsPermissionBits) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("script.php"));
    const QFileDevice::Permissions modes[] = {
        QFileDevice::ReadOwner | QFileDevice::WriteOwner,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
            QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
            QFileDevice::ExeOther,
    };
    for (QFileDevice::Permissions mode : modes) {
        SCOPED_TRACE(int(mode));
        ASSERT_TRUE(writeFile(path, "old"));
        ASSERT_TRUE(
            QFile::setPermissions(path, mode | QFileDevice::ReadUser | QFileDevice::WriteUser));
        const QFileDevice::Permissions before = QFileInfo(path).permissions();
        QString error;
        ASSERT_TRUE(writeFileAtomically(path, "new", &error)) << error.toStdString();
        EXPECT_EQ(QFileInfo(path).permissions(), before);
        EXPECT_EQ(readFile(path), QByteArray("new"));
    }
    EXPECT_EQ(strayFiles(dir.path(), {QStringLiteral("script.php")}), QStringList());
}

TEST(TextFileWrite, WritesThroughSymbolicLinks) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/page.html"));
    const QString link = dir.filePath(QStringLiteral("page.html"));
    const QString link2 = dir.filePath(QStringLiteral("alias.html"));
    ASSERT_TRUE(writeFile(target, "old"));
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadOther));
    const QFileDevice::Permissions mode = QFileInfo(target).permissions();
    // A relative link, and a link to that link.
    ASSERT_EQ(::symlink("real/page.html", QFile::encodeName(link).constData()), 0);
    ASSERT_EQ(::symlink("page.html", QFile::encodeName(link2).constData()), 0);

    QString error;
    ASSERT_TRUE(writeFileAtomically(link, "through link", &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target), QByteArray("through link"));

    ASSERT_TRUE(writeFileAtomically(link2, "through two links", &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link2).isSymLink());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target), QByteArray("through two links"));
    EXPECT_EQ(QFileInfo(target).permissions(), mode);
    EXPECT_EQ(strayFiles(dir.filePath(QStringLiteral("real")), {QStringLiteral("page.html")}),
              QStringList());
}

TEST(TextFileWrite, DanglingLinkCreatesItsTargetAndStaysALink) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("new.html"));
    ASSERT_EQ(::symlink("made.html", QFile::encodeName(link).constData()), 0);
    QString error;
    ASSERT_TRUE(writeFileAtomically(link, "hello", &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("made.html"))), QByteArray("hello"));
}

TEST(TextFileWrite, SymbolicLinkLoopFailsWithoutTouchingTheLinks) {
    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("one.html"));
    const QString two = dir.filePath(QStringLiteral("two.html"));
    ASSERT_EQ(::symlink("two.html", QFile::encodeName(one).constData()), 0);
    ASSERT_EQ(::symlink("one.html", QFile::encodeName(two).constData()), 0);
    QString error;
    EXPECT_FALSE(writeFileAtomically(one, "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(one).isSymLink());
    EXPECT_TRUE(QFileInfo(two).isSymLink());
    EXPECT_EQ(strayFiles(dir.path(), {QStringLiteral("one.html"), QStringLiteral("two.html")}),
              QStringList());
}

TEST(TextFileWrite, FailureLeavesTheOldFileAndSaysWhy) {
    QTemporaryDir dir;
    // The folder is gone.
    QString error;
    EXPECT_FALSE(
        writeFileAtomically(dir.filePath(QStringLiteral("no/such/folder/a.html")), "x", &error));
    EXPECT_FALSE(error.isEmpty());

    // The path is a folder.
    error.clear();
    QDir().mkpath(dir.filePath(QStringLiteral("sub")));
    EXPECT_FALSE(writeFileAtomically(dir.filePath(QStringLiteral("sub")), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("sub"))).isDir());

    // A read-only file is not replaced behind the user's back.
    const QString ro = dir.filePath(QStringLiteral("locked.html"));
    ASSERT_TRUE(writeFile(ro, "keep me"));
    ASSERT_TRUE(QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    if (::geteuid() != 0) {
        error.clear();
        EXPECT_FALSE(writeFileAtomically(ro, "replaced", &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(ro), QByteArray("keep me"));
    }
    EXPECT_EQ(strayFiles(dir.path(), {QStringLiteral("locked.html")}), QStringList());
}

TEST(TextFileWrite, EmptyAndLargeContents) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QByteArray big;
    for (int i = 0; big.size() < 8 * 1024 * 1024; ++i)
        big += QByteArray::number(i) + "\r\n";
    QString error;
    ASSERT_TRUE(writeFileAtomically(path, big, &error)) << error.toStdString();
    EXPECT_EQ(readFile(path), big);
    ASSERT_TRUE(writeFileAtomically(path, QByteArray(), &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

} // namespace
} // namespace morvane
