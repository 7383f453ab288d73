#include "core/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace morvane {

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

bool isImageName(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    return ext == QLatin1String("jpg") || ext == QLatin1String("gif") ||
           ext == QLatin1String("png");
}

// Splits off the line ends: fills `ends` and returns the text with every
// end turned into '\n'.
QString normaliseLineEnds(const QString& in, std::vector<LineEnd>& ends) {
    if (!in.contains(u'\r')) {
        const qsizetype n = in.count(u'\n');
        ends.assign(size_t(n), LineEnd::LF);
        return in;
    }
    QString out;
    out.reserve(in.size());
    const QChar* p = in.constData();
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = p[i];
        if (c == u'\r') {
            if (i + 1 < n && p[i + 1] == u'\n') {
                ends.push_back(LineEnd::CRLF);
                ++i;
            } else {
                ends.push_back(LineEnd::CR);
            }
            out += u'\n';
        } else {
            if (c == u'\n')
                ends.push_back(LineEnd::LF);
            out += c;
        }
    }
    return out;
}

LineEnd mostCommon(const std::vector<LineEnd>& ends) {
    size_t counts[3] = {0, 0, 0};
    for (LineEnd e : ends)
        ++counts[size_t(e)];
    if (counts[1] > counts[0] && counts[1] >= counts[2])
        return LineEnd::CRLF;
    if (counts[2] > counts[0] && counts[2] > counts[1])
        return LineEnd::CR;
    return LineEnd::LF;
}

const char* endBytes(LineEnd e) {
    switch (e) {
    case LineEnd::CRLF:
        return "\r\n";
    case LineEnd::CR:
        return "\r";
    case LineEnd::LF:
        break;
    }
    return "\n";
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

TextFileContents decodeText(const QByteArray& bytes, const QString& fileName) {
    TextFileContents result;
    QByteArrayView body(bytes);
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (bom)
        body = body.sliced(3);

    // A second byte-order mark right after the first is text, not a marker:
    // keep it as U+FEFF so that it is written back.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        result.format.encoding = TextEncoding::Utf8;
        result.format.byteOrderMark = bom;
    } else if (isImageName(fileName)) {
        result.notText = true;
        return result;
    } else {
        result.format.encoding = TextEncoding::MacRoman;
        text = QString(bytes.size(), Qt::Uninitialized);
        QChar* out = text.data();
        for (qsizetype i = 0; i < bytes.size(); ++i)
            out[i] = QChar(macRomanToUnicode(static_cast<unsigned char>(bytes[i])));
    }
    result.text = normaliseLineEnds(text, result.format.lineEnds);
    result.format.defaultLineEnd = mostCommon(result.format.lineEnds);
    result.ok = true;
    return result;
}

TextFileContents readTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TextFileContents r;
        r.error = file.errorString();
        return r;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        TextFileContents r;
        r.error = file.errorString();
        return r;
    }
    return decodeText(bytes, path);
}

QByteArray encodeText(const QString& text, TextFormat& format) {
    // Put the recorded line ends back.
    QString withEnds;
    const bool allLF = format.defaultLineEnd == LineEnd::LF &&
                       std::all_of(format.lineEnds.begin(), format.lineEnds.end(),
                                   [](LineEnd e) { return e == LineEnd::LF; });
    if (allLF) {
        withEnds = text;
    } else {
        withEnds.reserve(text.size() + text.size() / 32);
        size_t line = 0;
        qsizetype start = 0;
        for (;;) {
            const qsizetype nl = text.indexOf(u'\n', start);
            if (nl < 0) {
                withEnds += QStringView(text).sliced(start);
                break;
            }
            withEnds += QStringView(text).sliced(start, nl - start);
            const LineEnd e =
                line < format.lineEnds.size() ? format.lineEnds[line] : format.defaultLineEnd;
            withEnds += QLatin1String(endBytes(e));
            ++line;
            start = nl + 1;
        }
    }

    if (format.encoding == TextEncoding::MacRoman) {
        QByteArray out(withEnds.size(), Qt::Uninitialized);
        bool representable = true;
        for (qsizetype i = 0; i < withEnds.size(); ++i) {
            unsigned char b;
            if (!unicodeToMacRoman(withEnds[i].unicode(), &b)) {
                representable = false;
                break;
            }
            out[i] = char(b);
        }
        if (representable)
            return out;
        // The user typed something the 8-bit encoding cannot hold: keep it by
        // switching this file to UTF-8 rather than dropping characters.
        format.encoding = TextEncoding::Utf8;
        format.byteOrderMark = false;
    }
    QByteArray out = withEnds.toUtf8();
    if (format.byteOrderMark)
        out.prepend("\xEF\xBB\xBF");
    return out;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    // Write through a symbolic link to the file it names, so the link stays.
    QString target = path;
    QFileInfo info(path);
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops) {
        target = info.symLinkTarget();
        info = QFileInfo(target);
    }

    if (info.isSymLink()) {
        // A loop of links: replacing one of them with a file would break it.
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(ELOOP));
        return false;
    }

    QSaveFile file(target);
    // QSaveFile keeps the permissions of an existing file.
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace morvane
