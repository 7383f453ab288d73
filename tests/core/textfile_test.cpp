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

#include <csignal>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace morvane {
namespace {

using test::readFile;
using test::writeFile;

// Every byte value but NUL (which marks a file that is not text).
QByteArray allByteValues() {
    QByteArray b;
    for (int i = 1; i < 256; ++i)
        b.append(char(i));
    return b;
}

// The bytes a save writes; the text must be one the format can hold.
QByteArray encoded(const QString& text, const TextFormat& format) {
    QByteArray out;
    EXPECT_TRUE(encodeText(text, format, &out));
    return out;
}

struct Sample {
    const char* label;
    QByteArray bytes;
    QString encoding;
};

std::vector<Sample> samples() {
    struct {
        QString Utf8 = encoding::kUtf8;
        QString Windows1252 = encoding::kWindows1252;
    } const E;
    QByteArray reversed = allByteValues();
    std::reverse(reversed.begin(), reversed.end());
    return {
        {"empty", "", E.Utf8},
        {"lf", "<p>\n  x\n</p>\n", E.Utf8},
        {"crlf", "<p>\r\n  x\r\n</p>\r\n", E.Utf8},
        {"cr", "<p>\r  x\r</p>\r", E.Utf8},
        {"mixed ends", "a\nb\r\nc\rd\n\re\r\r\nf", E.Utf8},
        {"only line ends", "\r\n\r\n\n\r\r", E.Utf8},
        {"no final end", "one\r\ntwo", E.Utf8},
        {"utf8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF\n", E.Utf8},
        {"bom", "\xEF\xBB\xBF<html>\r\n</html>\r\n", E.Utf8},
        {"bom only", "\xEF\xBB\xBF", E.Utf8},
        {"bom twice", "\xEF\xBB\xBF\xEF\xBB\xBFx\n", E.Utf8},
        {"bom inside",
         "a\xEF\xBB\xBF"
         "b\n",
         E.Utf8},
        {"noncharacters", "\xEF\xBF\xBE\xEF\xBF\xBF\n", E.Utf8},
        {"latin1", "caf\xE9\r\nna\xEFve\r\n", E.Windows1252},
        {"bom then latin1",
         "\xEF\xBB\xBF"
         "caf\xE9\n",
         E.Windows1252},
        {"overlong", "\xC0\xAF\n", E.Windows1252},
        {"encoded surrogate", "\xED\xA0\x80\n", E.Windows1252},
        {"past U+10FFFF", "\xF4\x90\x80\x80", E.Windows1252},
        {"truncated sequence", "abc\xE2\x82", E.Windows1252},
        {"lone continuation", "\x80", E.Windows1252},
        {"all bytes", allByteValues(), E.Windows1252},
        {"all bytes reversed", reversed, E.Windows1252},
    };
}

TEST(TextFileRoundTrip, UneditedTextComesBackByteForByte) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.label);
        TextFileContents c = decodeText(s.bytes);
        ASSERT_TRUE(c.ok);
        EXPECT_EQ(c.format.encoding, s.encoding);
        EXPECT_FALSE(c.text.contains(u'\r')) << "the editor sees '\\n' line ends only";
        EXPECT_EQ(encoded(c.text, c.format), s.bytes);
    }
}

TEST(TextFileRoundTrip, EditedAndEditedBackIsIdentical) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.label);
        TextFileContents c = decodeText(s.bytes);
        ASSERT_TRUE(c.ok);
        // Type a line in the middle and delete it again.
        const qsizetype at = c.text.size() / 2;
        QString edited = c.text;
        edited.insert(at, QStringLiteral("new line\n"));
        TextFormat scratch = c.format;
        encoded(edited, scratch); // an intermediate save must not disturb the format
        edited.remove(at, 9);
        EXPECT_EQ(encoded(edited, c.format), s.bytes);
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
        ASSERT_TRUE(writeFileAtomically(path, encoded(c.text, c.format), &error))
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
        TextFileContents c = decodeText(k.in);
        ASSERT_TRUE(c.ok);
        EXPECT_EQ(encoded(c.text + QStringLiteral("c\n"), c.format), k.out);
    }
}

TEST(TextFileLineEnds, DeletingLinesKeepsTheRemainingEnds) {
    TextFileContents c = decodeText("one\r\ntwo\r\nthree\r\n");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(encoded(QStringLiteral("one\n"), c.format), QByteArray("one\r\n"));
    EXPECT_EQ(encoded(QString(), c.format), QByteArray());
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

TEST(TextFileEncoding, UndeclaredEightBitFileReadsAsWindows1252AndStaysEightBit) {
    TextFileContents c = decodeText("Caf\xE9 na\xEFve \x80\n");
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.format.encoding, encoding::kWindows1252);
    EXPECT_EQ(c.text, QString::fromUtf8("Caf\xC3\xA9 na\xC3\xAFve \xE2\x82\xAC\n"));
    // Typing characters the encoding holds keeps the file in its 8-bit form:
    // "été" is E9 74 E9, never the Mac OS Roman 8E 74 8E.
    EXPECT_EQ(encoded(c.text + QString::fromUtf8("\xC3\xA9t\xC3\xA9"), c.format),
              QByteArray("Caf\xE9 na\xEFve \x80\n\xE9t\xE9"));
}

TEST(TextFileEncoding, CharacterTheEncodingCannotHoldIsRefusedNotGuessed) {
    TextFileContents c = decodeText("caf\xE9\r\n");
    ASSERT_TRUE(c.ok);
    const QString typed = c.text + QString::fromUtf8("ok \xE2\x86\x92 \xE6\x97\xA5\n");
    QByteArray out = "untouched";
    qsizetype bad = -1;
    EXPECT_FALSE(encodeText(typed, c.format, &out, &bad));
    EXPECT_EQ(out, QByteArray("untouched"));
    EXPECT_EQ(bad, typed.indexOf(u'\u2192'));
    EXPECT_EQ(c.format.encoding, encoding::kWindows1252) << "the format is the caller's to change";
    // Converting to UTF-8 keeps every character and the CRLF line ends.
    TextFormat utf8 = c.format;
    utf8.encoding = encoding::kUtf8;
    EXPECT_EQ(encoded(typed, utf8), QByteArray("caf\xC3\xA9\r\nok \xE2\x86\x92 \xE6\x97\xA5\r\n"));
}

TEST(TextFileKind, FilesThatAreNotTextAreRecognisedByContentNotName) {
    const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    const QByteArray jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
    const QByteArray gif("GIF89a\x01\x00\x01\x00\x80\xFF", 12);
    const QByteArray zip("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
    const QByteArray pdf("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n");
    const QByteArray woff("wOFF\x00\x01\x00\x00");
    const QByteArray ttf("\x00\x01\x00\x00\x00\x0F\x00\x80", 8);
    QByteArray nulLate(5000, 'a');
    nulLate[4000] = '\0';
    for (const auto& [label, bytes] :
         std::vector<std::pair<const char*, QByteArray>>{{"png", png},
                                                         {"jpeg", jpeg},
                                                         {"gif", gif},
                                                         {"zip", zip},
                                                         {"pdf", pdf},
                                                         {"woff", woff},
                                                         {"ttf", ttf},
                                                         {"nul in first block", nulLate},
                                                         {"ascii gif signature", "GIF89a"}}) {
        SCOPED_TRACE(label);
        TextFileContents c = decodeText(bytes);
        EXPECT_FALSE(c.ok);
        EXPECT_TRUE(c.notText);
        EXPECT_EQ(c.status, ReadStatus::NotText);
    }
    // Text stays text, whatever markup or signature-like words it holds.
    for (const char* text : {"<html><p>caf\xE9</p>", "<?php echo 1;", "<svg xmlns=\"x\"/>",
                             "{\"a\": 1}", "a PNG and a PDF\n", "\xEF\xBB\xBF<p>x</p>"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(decodeText(text).ok);
    }
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

TEST(TextFileRead, OnlyRegularFilesAreReadAndLargeOnesOnlyWhenAllowed) {
    QTemporaryDir dir;
    // A named pipe without a writer: reading must not wait for one.
    const QString fifo = dir.filePath(QStringLiteral("pipe.html"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    TextFileContents pipe = readTextFile(fifo);
    EXPECT_EQ(pipe.status, ReadStatus::NotRegular);
    EXPECT_TRUE(pipe.error.contains(QStringLiteral("pipe"))) << pipe.error.toStdString();

    // A link to an endless device is refused, not read until memory runs out.
    const QString zero = dir.filePath(QStringLiteral("zero.html"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    TextFileContents device = readTextFile(zero);
    EXPECT_EQ(device.status, ReadStatus::NotRegular);
    EXPECT_TRUE(device.error.contains(QStringLiteral("device"))) << device.error.toStdString();

    const QString big = dir.filePath(QStringLiteral("big.html"));
    ASSERT_TRUE(writeFile(big, QByteArray(3000, 'x')));
    TextFileContents refused = readTextFile(big, 2999);
    EXPECT_EQ(refused.status, ReadStatus::TooLarge);
    EXPECT_EQ(refused.size, 3000);
    EXPECT_TRUE(refused.text.isEmpty());
    TextFileContents allowed = readTextFile(big, 3000);
    EXPECT_TRUE(allowed.ok);
    EXPECT_EQ(allowed.text.size(), 3000);
    EXPECT_EQ(allowed.stamp, stampOf(big));
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
        EXPECT_EQ(encoded(c.text, c.format), QByteArray("x\r\n"));
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

TEST(TextFileWrite, ASaveTheSystemTakesOnlyInPartLeavesTheOldFile) {
    // The disk fills up (here: a file size limit) after the first bytes: the
    // old file must stay whole, not be replaced by the truncated new one.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    ASSERT_TRUE(writeFile(path, "old text"));
    QString error;
    bool written = true;
    {
        struct rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit tiny = old;
        tiny.rlim_cur = 4;
        ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        written = writeFileAtomically(path, "a new text longer than the limit", &error);
        ::setrlimit(RLIMIT_FSIZE, &old);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(readFile(path), QByteArray("old text"));
    EXPECT_EQ(strayFiles(dir.path(), {QStringLiteral("page.html")}), QStringList());
}

TEST(TextFileWrite, EmptyAndLargeContents) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QByteArray big;
    for (int i = 0; big.size() < qsizetype(8) * 1024 * 1024; ++i)
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
