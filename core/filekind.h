// What a path on disk is, before the program reads it: only regular files are
// opened (a named pipe would wait for a writer forever, a device could be
// read without end), files of a kind that is not text are never put in an
// editor, and a stamp of size, modification time and inode tells whether a
// file changed since it was read.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace morvane {

// The identity and state of a file at one moment. Two stamps differ when the
// file was written, replaced or removed in between.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0; // modification time in nanoseconds
    std::uint64_t inode = 0;
    std::uint64_t device = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file a path names now (following symbolic links).
FileStamp stampOf(const QString& path);

constexpr std::int64_t kMegabyte = std::int64_t(1024) * 1024;
// Files above this size are read only after the user agreed.
constexpr std::int64_t kLargeFileBytes = 256 * kMegabyte;

// How much of a file's start is looked at to decide whether it is text.
constexpr qsizetype kSniffBytes = 8192;

// Whether bytes from the start of a file belong to a file that is not text:
// a NUL byte in the first block, or a kind recognised by its content (image,
// font, archive, PDF, audio, video…), whatever the file's name.
// With `nulMarksBinary` false only the recognised kinds count (for the colour
// diagnostic, which shows what the scanners make of any text).
bool looksLikeNotText(QByteArrayView head, bool nulMarksBinary = true);

// A short description of a file type that is not a regular file, from its
// st_mode ("a named pipe (FIFO)", "a character device"…).
QString describeFileType(unsigned mode);

} // namespace morvane
