// Text encodings of site files: the names the program uses for them, the
// charset a page declares for itself, and conversion between bytes and text
// that refuses, rather than guesses, whatever an encoding cannot hold.
//
// UTF-8, UTF-16, Windows-1252 and Mac OS Roman are converted here; other
// 8-bit and East Asian sets go through Qt's converters (ICU) when the Qt
// build has them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace morvane::encoding {

inline const QString kUtf8 = QStringLiteral("UTF-8");
inline const QString kUtf16LE = QStringLiteral("UTF-16LE");
inline const QString kUtf16BE = QStringLiteral("UTF-16BE");
inline const QString kWindows1252 = QStringLiteral("windows-1252");
inline const QString kMacRoman = QStringLiteral("macintosh");

// The program's name for an encoding label found in a file or chosen by the
// user ("latin1", "ISO-8859-1", "x-mac-roman", "sjis"…), or an empty string
// when the label names nothing this build can convert. ISO-8859-1 and ASCII
// read as Windows-1252, as browsers read them.
QString canonicalName(QStringView label);

// The encodings offered in the View menu, most common first.
QStringList commonEncodings();

// A short name for the window's label ("UTF-8", "Windows-1252"…).
QString displayName(const QString& name);

// Whether the encoding needs a byte-order mark to be recognised on reading
// (UTF-16): such files are always written with one.
bool isUtf16(const QString& name);

// A charset declaration in a page: an XML declaration's encoding, a
// <meta charset> or a <meta http-equiv="Content-Type" content="…charset=…">.
// `valueStart`/`valueLength` locate the label inside the scanned text.
struct CharsetDeclaration {
    QString label;
    qsizetype valueStart = 0;
    qsizetype valueLength = 0;
};
// Looks at the start of the text only (the first few kilobytes), as browsers
// do.
std::optional<CharsetDeclaration> findDeclaredCharset(QStringView text);

// Whether this build can convert the encoding at all.
bool isSupported(const QString& name);

// Bytes to text. False when the bytes are not valid in the encoding or the
// encoding cannot be converted here.
bool decode(const QString& name, QByteArrayView bytes, QString* out);

// Text to bytes. False when some character cannot be held by the encoding;
// then `firstBad` (when given) receives the index of the first such character.
// The bytes are checked to decode back to exactly the text.
bool encode(const QString& name, QStringView text, QByteArray* out, qsizetype* firstBad = nullptr);

// Whether every character of `text` can be held by the encoding.
bool canEncode(const QString& name, QStringView text);

// Mac OS Roman, byte to character and back.
char16_t macRomanToUnicode(unsigned char byte);
// Returns false when the character has no Mac OS Roman byte.
bool unicodeToMacRoman(char16_t ch, unsigned char* byte);

} // namespace morvane::encoding
