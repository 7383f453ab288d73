// Files in every encoding a small site is likely to hold come back byte for
// byte when unedited; the charset a page declares is found and respected;
// and no encoding ever silently swallows a character it cannot hold.

#include "core/encoding.h"
#include "core/textfile.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace morvane {
namespace {

bool haveConverter(const char* name) {
    return QStringDecoder(name).isValid();
}

struct Sample {
    const char* label;
    QByteArray bytes;
    QString encoding;
    QString text; // what the editor must show, line ends as '\n'
};

std::vector<Sample> samples() {
    std::vector<Sample> out = {
        {"utf-8", "<p>caf\xC3\xA9 \xE2\x82\xAC</p>\r\n", encoding::kUtf8,
         QString::fromUtf8("<p>caf\xC3\xA9 \xE2\x82\xAC</p>\n")},
        {"utf-8 with bom", "\xEF\xBB\xBF<p>\xC3\xA9</p>\n", encoding::kUtf8,
         QString::fromUtf8("<p>\xC3\xA9</p>\n")},
        {"utf-16le with bom", QByteArray("\xFF\xFE<\0p\0>\0\xE9\0\r\0\n\0\x3D\xD8\x00\xDE", 18),
         encoding::kUtf16LE, QString::fromUtf8("<p>\xC3\xA9\n\xF0\x9F\x98\x80")},
        {"utf-16be with bom", QByteArray("\xFE\xFF\0a\0\n\x20\xAC", 8), encoding::kUtf16BE,
         QString::fromUtf8("a\n\xE2\x82\xAC")},
        {"windows-1252 without meta", "<p>Caf\xE9 na\xEFve \x93quoted\x94</p>\n",
         encoding::kWindows1252,
         QString::fromUtf8("<p>Caf\xC3\xA9 na\xC3\xAFve \xE2\x80\x9Cquoted\xE2\x80\x9D</p>\n")},
        {"windows-1252 with meta",
         "<meta charset=\"windows-1252\"><p>\x80 \x81\x8D\x8F\x90\x9D</p>", encoding::kWindows1252,
         QString::fromUtf8("<meta charset=\"windows-1252\"><p>\xE2\x82\xAC "
                           "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D</p>")},
        {"iso-8859-1 declared reads as browsers do",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\xE9\x80",
         encoding::kWindows1252,
         QString::fromUtf8("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                           "charset=iso-8859-1\">\xC3\xA9\xE2\x82\xAC")},
        {"mac os roman declared", "<meta charset=\"x-mac-roman\">\x8E\x74\x8E\n",
         encoding::kMacRoman,
         QString::fromUtf8("<meta charset=\"x-mac-roman\">\xC3\xA9t\xC3\xA9\n")},
    };
    if (haveConverter("ISO-8859-15"))
        out.push_back({"iso-8859-15 declared",
                       "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>\n\xA4\xA6\xE9",
                       QStringLiteral("ISO-8859-15"),
                       QString::fromUtf8("<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>\n"
                                         "\xE2\x82\xAC\xC5\xA0\xC3\xA9")});
    if (haveConverter("Shift_JIS"))
        out.push_back({"shift_jis declared",
                       "<meta charset=\"Shift_JIS\">\x82\xA0\x93\xFA\x96\x7B\r\n",
                       QStringLiteral("Shift_JIS"),
                       QString::fromUtf8(
                           "<meta charset=\"Shift_JIS\">\xE3\x81\x82\xE6\x97\xA5\xE6\x9C\xAC\n")});
    return out;
}

TEST(EncodingRoundTrip, EachEncodingReadsAsItsTextAndWritesBackItsOwnBytes) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.label);
        const TextFileContents c = decodeText(s.bytes);
        ASSERT_TRUE(c.ok) << c.error.toStdString();
        EXPECT_EQ(c.format.encoding, s.encoding);
        EXPECT_EQ(c.text, s.text);
        QByteArray back;
        ASSERT_TRUE(encodeText(c.text, c.format, &back));
        EXPECT_EQ(back, s.bytes);
    }
}

TEST(EncodingRoundTrip, EditsWithCharactersTheEncodingCanAndCannotHold) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.label);
        const TextFileContents c = decodeText(s.bytes);
        ASSERT_TRUE(c.ok);
        // An e-acute every one of these encodings holds; an arrow only the
        // Unicode ones (Shift_JIS has one too).
        for (const QString& typed :
             {QString::fromUtf8("\xC3\xA9"), QString::fromUtf8("\xE2\x86\x92"),
              QString::fromUtf8("\xF0\x9F\x98\x80")}) {
            const QString edited = c.text + typed;
            QByteArray bytes;
            qsizetype bad = -1;
            const bool ok = encodeText(edited, c.format, &bytes, &bad);
            EXPECT_EQ(ok, encoding::canEncode(c.format.encoding, typed));
            if (ok) {
                // What is written reads back as exactly what the editor showed.
                const TextFileContents again = decodeText(bytes);
                ASSERT_TRUE(again.ok);
                EXPECT_EQ(again.text, edited);
                EXPECT_EQ(again.format.encoding, c.format.encoding);
                EXPECT_TRUE(bytes.startsWith(s.bytes.left(s.bytes.size() - 2)));
            } else {
                EXPECT_EQ(bad, c.text.size());
            }
        }
    }
}

TEST(EncodingDeclaration, FindsTheCharsetAPageDeclares) {
    struct Case {
        const char* text;
        const char* label; // nullptr: none
    };
    const Case cases[] = {
        {"<meta charset=utf-8>", "utf-8"},
        {"<META CHARSET='Shift_JIS' />", "Shift_JIS"},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html;charset=ISO-8859-15\">",
         "ISO-8859-15"},
        {"  <?xml version='1.0' encoding='macintosh' ?><html/>", "macintosh"},
        {"<meta name=\"viewport\" content=\"width=device-width\"><meta charset=\"koi8-r\">",
         "koi8-r"},
        {"<p>charset=utf-8 in text is no declaration</p>", nullptr},
        {"<meta name=\"description\" content=\"x\">", nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        const QString text = QString::fromLatin1(k.text);
        const auto d = encoding::findDeclaredCharset(text);
        if (!k.label) {
            EXPECT_FALSE(d.has_value());
            continue;
        }
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->label, QString::fromLatin1(k.label));
        EXPECT_EQ(text.mid(d->valueStart, d->valueLength), d->label);
    }
    // Far down the page a declaration no longer counts.
    EXPECT_FALSE(encoding::findDeclaredCharset(QString(5000, u' ') + "<meta charset=utf-8>"));
}

TEST(EncodingDeclaration, DeclarationsThatCannotBeHonouredFallBackOrRefuse) {
    // An unknown label: browsers ignore it, and so does the reader.
    TextFileContents unknown = decodeText("<meta charset=\"no-such-set\">\xE9");
    ASSERT_TRUE(unknown.ok);
    EXPECT_EQ(unknown.format.encoding, encoding::kWindows1252);
    // UTF-8 declared, but the bytes are not: read as Windows-1252, exactly.
    TextFileContents lying = decodeText("<meta charset=\"utf-8\">caf\xE9");
    ASSERT_TRUE(lying.ok);
    EXPECT_EQ(lying.format.encoding, encoding::kWindows1252);
    QByteArray back;
    ASSERT_TRUE(encodeText(lying.text, lying.format, &back));
    EXPECT_EQ(back, QByteArray("<meta charset=\"utf-8\">caf\xE9"));
    // Declared Shift_JIS with bytes that are not: shown read-only, never
    // guessed at (a save would change bytes the user never touched).
    if (haveConverter("Shift_JIS")) {
        TextFileContents bad = decodeText("<meta charset=\"Shift_JIS\">\x82\xFF\x81");
        EXPECT_EQ(bad.status, ReadStatus::Undecodable);
        EXPECT_FALSE(bad.error.isEmpty());
    }
}

TEST(EncodingNames, LabelsMapToTheProgramsNames) {
    EXPECT_EQ(encoding::canonicalName(u" Latin1 "), encoding::kWindows1252);
    EXPECT_EQ(encoding::canonicalName(u"US-ASCII"), encoding::kWindows1252);
    EXPECT_EQ(encoding::canonicalName(u"x-mac-roman"), encoding::kMacRoman);
    EXPECT_EQ(encoding::canonicalName(u"UTF8"), encoding::kUtf8);
    EXPECT_TRUE(encoding::canonicalName(u"utf-16").isEmpty());
    EXPECT_TRUE(encoding::canonicalName(u"bogus").isEmpty());
    EXPECT_TRUE(encoding::commonEncodings().contains(encoding::kUtf8));
    EXPECT_TRUE(encoding::commonEncodings().contains(encoding::kWindows1252));
}

} // namespace
} // namespace morvane
