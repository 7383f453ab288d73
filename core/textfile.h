// Reading a file into the editor and writing it back without disturbing
// what the user did not change: a file is written in the encoding it was read
// in (with its byte-order mark if it had one), with its line ends as they
// were. Only regular files are read, files that are not text are recognised
// and never decoded, and nothing is ever written that would not read back as
// the text the editor shows.
#pragma once

#include "core/encoding.h"
#include "core/filekind.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace morvane {

enum class LineEnd : std::uint8_t { LF, CRLF, CR };

// How a file's bytes map onto the editor's text, so the text can be turned
// back into the same bytes.
struct TextFormat {
    // The program's name for the encoding (see core/encoding.h).
    QString encoding = encoding::kUtf8;
    bool byteOrderMark = false;
    // The charset label the file declares for itself, if any.
    QString declaredCharset;
    // The end of each line of the file, in order; a file whose last line
    // has no end has one entry fewer than it has lines.
    std::vector<LineEnd> lineEnds;
    // The end used for lines the user adds: the file's most common one.
    LineEnd defaultLineEnd = LineEnd::LF;
};

enum class ReadStatus {
    Ok,
    NotText,     // an image, font, archive… or binary data
    NotRegular,  // a folder, named pipe, device, socket
    TooLarge,    // above the size limit asked for
    Unreadable,  // missing, no permission, read error
    Undecodable, // not valid in the encoding it declares, or would not write back exactly
};

struct TextFileContents {
    ReadStatus status = ReadStatus::Unreadable;
    bool ok = false;      // read and decoded (status Ok)
    bool notText = false; // status NotText
    QString text;         // line ends normalised to '\n'
    TextFormat format;
    QString error; // why, for every status but Ok and NotText
    std::int64_t size = 0;
    FileStamp stamp; // of the file that was read
};

// Decodes bytes the way the editor does: a file that is not text is refused;
// then UTF-8 (an optional byte-order mark is remembered and dropped), UTF-16
// with a byte-order mark, the charset the file declares, else Windows-1252.
// The result always encodes back into the very same bytes.
// `nulMarksBinary` false lets text with NUL bytes through (see
// looksLikeNotText).
TextFileContents decodeText(const QByteArray& bytes, bool nulMarksBinary = true);

// Decodes bytes in the encoding the user chose. Fails (status Undecodable,
// with the reason) when the bytes are not valid in it or would not be written
// back exactly.
TextFileContents decodeTextAs(const QByteArray& bytes, const QString& encoding);

// Reads and decodes a file. Anything but a regular file is refused, and so
// is a file larger than `sizeLimit` bytes (when not negative), before a byte
// of it is read.
TextFileContents readTextFile(const QString& path, std::int64_t sizeLimit = -1,
                              bool nulMarksBinary = true);

// Reads a file as readTextFile does, then decodes it in the encoding the
// user chose (see decodeTextAs). A file that is not text is still refused.
TextFileContents readTextFileAs(const QString& path, const QString& encoding,
                                std::int64_t sizeLimit = -1);

// Encodes editor text back into bytes in the given format. Lines keep the
// ends recorded in `format.lineEnds` by position; lines past the recorded
// ones get the default end. Returns false, writing nothing to `out`, when
// the text holds a character the encoding cannot hold; `firstBad` then gets
// its index in `text`.
bool encodeText(const QString& text, const TextFormat& format, QByteArray* out,
                qsizetype* firstBad = nullptr);

// Writes bytes to a file atomically: the old content stays intact until the
// new one is complete. Follows a symbolic link to its target (the link stays
// a link) and keeps the file's permission bits. On failure returns false
// with the system's description in `error`.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error);

using encoding::macRomanToUnicode;
using encoding::unicodeToMacRoman;

} // namespace morvane
