#include "core/encoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace morvane::encoding {

namespace {

// Mac OS Roman, bytes 0x80 to 0xFF; bytes below 0x80 are ASCII.
constexpr std::array<char16_t, 128> kMacRomanHigh = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// Windows-1252, bytes 0x80 to 0x9F, as browsers read them: the five bytes the
// code page leaves undefined stand for the C1 controls of the same value, so
// every byte reads as a character and writes back as itself. Bytes 0xA0 to
// 0xFF are Latin-1.
constexpr std::array<char16_t, 32> kWindows1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t windows1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252C1[byte - 0x80] : char16_t(byte);
}

bool unicodeToWindows1252(char16_t ch, unsigned char* byte) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
        *byte = static_cast<unsigned char>(ch);
        return true;
    }
    for (size_t i = 0; i < kWindows1252C1.size(); ++i) {
        if (kWindows1252C1[i] == ch) {
            *byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

using ByteToChar = char16_t (*)(unsigned char);
using CharToByte = bool (*)(char16_t, unsigned char*);

void decodeTable(QByteArrayView bytes, QString* out, ByteToChar map) {
    *out = QString(bytes.size(), Qt::Uninitialized);
    QChar* p = out->data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        p[i] = QChar(map(static_cast<unsigned char>(bytes[i])));
}

bool encodeTable(QStringView text, QByteArray* out, qsizetype* firstBad, CharToByte map) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        unsigned char b = 0;
        if (!map(text[i].unicode(), &b)) {
            if (firstBad)
                *firstBad = i;
            return false;
        }
        bytes[i] = char(b);
    }
    *out = std::move(bytes);
    return true;
}

struct Label {
    const char* label;
    const char* name;
};

// Labels that name the encodings converted here, and common aliases of the
// other ones; anything else is handed to Qt's converters as written.
constexpr Label kLabels[] = {
    {"utf-8", "UTF-8"},
    {"utf8", "UTF-8"},
    {"unicode-1-1-utf-8", "UTF-8"},
    {"utf-16le", "UTF-16LE"},
    {"utf-16be", "UTF-16BE"},
    {"windows-1252", "windows-1252"},
    {"cp1252", "windows-1252"},
    {"x-cp1252", "windows-1252"},
    {"iso-8859-1", "windows-1252"},
    {"iso8859-1", "windows-1252"},
    {"iso_8859-1", "windows-1252"},
    {"latin1", "windows-1252"},
    {"latin-1", "windows-1252"},
    {"l1", "windows-1252"},
    {"us-ascii", "windows-1252"},
    {"ascii", "windows-1252"},
    {"cp819", "windows-1252"},
    {"ibm819", "windows-1252"},
    {"iso-ir-100", "windows-1252"},
    {"csisolatin1", "windows-1252"},
    {"macintosh", "macintosh"},
    {"mac", "macintosh"},
    {"x-mac-roman", "macintosh"},
    {"macroman", "macintosh"},
    {"csmacintosh", "macintosh"},
    {"iso-8859-15", "ISO-8859-15"},
    {"iso8859-15", "ISO-8859-15"},
    {"iso_8859-15", "ISO-8859-15"},
    {"latin-9", "ISO-8859-15"},
    {"latin9", "ISO-8859-15"},
    {"l9", "ISO-8859-15"},
    {"shift_jis", "Shift_JIS"},
    {"shift-jis", "Shift_JIS"},
    {"sjis", "Shift_JIS"},
    {"x-sjis", "Shift_JIS"},
    {"ms_kanji", "Shift_JIS"},
    {"csshiftjis", "Shift_JIS"},
};

// Qt's converters for the encodings not handled here.
bool decodeWithQt(const QString& name, QByteArrayView bytes, QString* out) {
    QStringDecoder decoder(name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return false;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return false;
    *out = std::move(text);
    return true;
}

bool encodeWithQt(const QString& name, QStringView text, QByteArray* out) {
    QStringEncoder encoder(name.toLatin1().constData(), QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return false;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    // Some converters map a character they lack onto a look-alike without
    // saying so; only bytes that read back as the very same text will do.
    QString back;
    if (!decodeWithQt(name, bytes, &back) || back != text)
        return false;
    *out = std::move(bytes);
    return true;
}

} // namespace

char16_t macRomanToUnicode(unsigned char byte) {
    return byte < 0x80 ? char16_t(byte) : kMacRomanHigh[byte - 0x80];
}

bool unicodeToMacRoman(char16_t ch, unsigned char* byte) {
    if (ch < 0x80) {
        *byte = static_cast<unsigned char>(ch);
        return true;
    }
    for (size_t i = 0; i < kMacRomanHigh.size(); ++i) {
        if (kMacRomanHigh[i] == ch) {
            *byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

QString canonicalName(QStringView label) {
    const QString key = label.trimmed().toString().toLower();
    if (key.isEmpty())
        return QString();
    for (const Label& l : kLabels)
        if (key == QLatin1String(l.label))
            return QString::fromLatin1(l.name);
    // UTF-16 without a byte-order mark is never guessed from a label:
    // browsers read such a declaration as UTF-8.
    if (key.startsWith(QLatin1String("utf-16")) || key.startsWith(QLatin1String("utf-32")))
        return QString();
    QStringDecoder probe(key.toLatin1().constData());
    return probe.isValid() ? label.trimmed().toString() : QString();
}

QStringList commonEncodings() {
    QStringList names = {kUtf8, kWindows1252, QStringLiteral("ISO-8859-15"), kMacRoman};
    // The rest only where Qt's converters can handle them.
    for (const char* n :
         {"ISO-8859-2", "windows-1250", "windows-1251", "KOI8-R", "ISO-8859-7", "windows-1253",
          "ISO-8859-9", "windows-1254", "Shift_JIS", "EUC-JP", "GB18030", "Big5", "EUC-KR"}) {
        if (QStringDecoder(n).isValid())
            names << QString::fromLatin1(n);
    }
    return names;
}

QString displayName(const QString& name) {
    if (name == kWindows1252)
        return QStringLiteral("Windows-1252");
    if (name == kMacRoman)
        return QStringLiteral("Mac OS Roman");
    if (name == kUtf16LE || name == kUtf16BE)
        return QStringLiteral("UTF-16");
    if (name.startsWith(QLatin1String("windows-")))
        return QStringLiteral("Windows-") + name.mid(8);
    return name;
}

bool isUtf16(const QString& name) {
    return name == kUtf16LE || name == kUtf16BE;
}

std::optional<CharsetDeclaration> findDeclaredCharset(QStringView text) {
    const QStringView head = text.left(4096);
    auto valueAt = [&](qsizetype i, qsizetype end) -> std::optional<CharsetDeclaration> {
        while (i < end && (head[i] == u' ' || head[i] == u'\t' || head[i] == u'\n'))
            ++i;
        if (i >= end || head[i] != u'=')
            return std::nullopt;
        ++i;
        while (i < end && (head[i] == u' ' || head[i] == u'\t' || head[i] == u'\n'))
            ++i;
        if (i < end && (head[i] == u'"' || head[i] == u'\''))
            ++i;
        const qsizetype start = i;
        while (i < end && head[i] != u'"' && head[i] != u'\'' && head[i] != u';' &&
               head[i] != u' ' && head[i] != u'>' && head[i] != u'/' && head[i] != u'?' &&
               head[i] != u'\n' && head[i] != u'\t')
            ++i;
        if (i == start)
            return std::nullopt;
        return CharsetDeclaration{head.sliced(start, i - start).toString(), start, i - start};
    };

    // <?xml version="1.0" encoding="…"?> at the very start.
    qsizetype lead = 0;
    while (lead < head.size() && head[lead].isSpace())
        ++lead;
    if (head.sliced(lead).startsWith(QLatin1String("<?xml"))) {
        const qsizetype end = head.indexOf(QLatin1String("?>"), lead);
        const qsizetype e = end < 0 ? head.size() : end;
        const qsizetype at = head.sliced(0, e).indexOf(QLatin1String("encoding"), lead);
        if (at >= 0)
            if (auto d = valueAt(at + 8, e))
                return d;
    }

    // The first <meta> that carries a charset.
    for (qsizetype from = 0;;) {
        const qsizetype meta = head.indexOf(QLatin1String("<meta"), from, Qt::CaseInsensitive);
        if (meta < 0)
            return std::nullopt;
        qsizetype end = head.indexOf(u'>', meta);
        if (end < 0)
            end = head.size();
        const QStringView tag = head.sliced(0, end);
        for (qsizetype at = tag.indexOf(QLatin1String("charset"), meta, Qt::CaseInsensitive);
             at >= 0; at = tag.indexOf(QLatin1String("charset"), at + 7, Qt::CaseInsensitive)) {
            if (auto d = valueAt(at + 7, end))
                return d;
        }
        from = end;
    }
}

bool isSupported(const QString& name) {
    if (name == kUtf8 || isUtf16(name) || name == kWindows1252 || name == kMacRoman)
        return true;
    return QStringDecoder(name.toLatin1().constData()).isValid();
}

bool decode(const QString& name, QByteArrayView bytes, QString* out) {
    if (name == kUtf8 || name == kUtf16LE || name == kUtf16BE) {
        const auto which = name == kUtf8      ? QStringDecoder::Utf8
                           : name == kUtf16LE ? QStringDecoder::Utf16LE
                                              : QStringDecoder::Utf16BE;
        // A byte-order mark is the caller's business: one inside the bytes
        // is text and stays.
        QStringDecoder decoder(which, QStringDecoder::Flag::Stateless |
                                          QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder.decode(bytes);
        if (decoder.hasError() || (which != QStringDecoder::Utf8 && bytes.size() % 2 != 0))
            return false;
        *out = std::move(text);
        return true;
    }
    if (name == kWindows1252) {
        decodeTable(bytes, out, windows1252ToUnicode);
        return true;
    }
    if (name == kMacRoman) {
        decodeTable(bytes, out, macRomanToUnicode);
        return true;
    }
    return decodeWithQt(name, bytes, out);
}

bool encode(const QString& name, QStringView text, QByteArray* out, qsizetype* firstBad) {
    if (name == kWindows1252)
        return encodeTable(text, out, firstBad, unicodeToWindows1252);
    if (name == kMacRoman)
        return encodeTable(text, out, firstBad, unicodeToMacRoman);
    bool ok = false;
    if (name == kUtf8 || name == kUtf16LE || name == kUtf16BE) {
        const auto which = name == kUtf8      ? QStringEncoder::Utf8
                           : name == kUtf16LE ? QStringEncoder::Utf16LE
                                              : QStringEncoder::Utf16BE;
        QStringEncoder encoder(which, QStringEncoder::Flag::Stateless);
        QByteArray bytes = encoder.encode(text);
        ok = !encoder.hasError();
        if (ok)
            *out = std::move(bytes);
    } else {
        ok = encodeWithQt(name, text, out);
    }
    if (!ok && firstBad) {
        // Find the culprit one character (or surrogate pair) at a time.
        *firstBad = 0;
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            if (!canEncode(name, text.sliced(i, n))) {
                *firstBad = i;
                break;
            }
            i += n;
        }
    }
    return ok;
}

bool canEncode(const QString& name, QStringView text) {
    if (text.isEmpty())
        return true;
    if (name == kUtf8 || isUtf16(name)) {
        // Only unpaired surrogates fail.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (text[i].isSurrogate())
                return false;
        }
        return true;
    }
    QByteArray ignored;
    return encode(name, text, &ignored);
}

} // namespace morvane::encoding
