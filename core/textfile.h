// Reading a file into the editor and writing it back without disturbing
// what the user did not change: a file is written in the encoding it was read
// in (UTF-8, with its byte-order mark if it had one, or the 8-bit Mac OS Roman
// fallback for files that are not UTF-8), with its line ends as they were.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace morvane {

enum class TextEncoding { Utf8, MacRoman };

enum class LineEnd : std::uint8_t { LF, CRLF, CR };

// How a file's bytes map onto the editor's text, so the text can be turned
// back into the same bytes.
struct TextFormat {
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false;
    // The end of each line of the file, in order; a file whose last line
    // has no end has one entry fewer than it has lines.
    std::vector<LineEnd> lineEnds;
    // The end used for lines the user adds: the file's most common one.
    LineEnd defaultLineEnd = LineEnd::LF;
};

struct TextFileContents {
    bool ok = false;      // read and decoded
    bool notText = false; // cannot be shown as text (an image that is not UTF-8)
    QString text;         // line ends normalised to '\n'
    TextFormat format;
    QString error; // the system's description when !ok && !notText
};

// Decodes bytes the way the editor does: UTF-8 (an optional byte-order mark
// is remembered and dropped), else, unless the name ends in jpg, gif or png,
// Mac OS Roman, which maps every byte.
TextFileContents decodeText(const QByteArray& bytes, const QString& fileName);

// Reads and decodes a file.
TextFileContents readTextFile(const QString& path);

// Encodes editor text back into bytes in the given format. Lines keep the
// ends recorded in `format.lineEnds` by position; lines past the recorded
// ones get the default end. If the text holds characters the 8-bit encoding
// cannot represent, the text is written as UTF-8 and `format` is updated, so
// that nothing the user typed is lost.
QByteArray encodeText(const QString& text, TextFormat& format);

// Writes bytes to a file atomically: the old content stays intact until the
// new one is complete. Follows a symbolic link to its target (the link stays
// a link) and keeps the file's permission bits. On failure returns false
// with the system's description in `error`.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error);

// Mac OS Roman, byte to character and back.
char16_t macRomanToUnicode(unsigned char byte);
// Returns false when the character has no Mac OS Roman byte.
bool unicodeToMacRoman(char16_t ch, unsigned char* byte);

} // namespace morvane
