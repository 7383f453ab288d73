// Reading the lines of an FTP folder listing (the LIST reply): the Unix
// "ls -l" form most servers send and the DOS form of Windows servers.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace morvane {

struct FtpListingEntry {
    QString permissions; // "drwxr-xr-x"; empty in the DOS form
    QString owner;
    QString group;
    qint64 size = -1;       // -1 when not given (folders in the DOS form)
    QDateTime modified;     // invalid when it could not be read
    bool timeOfDay = false; // `modified` holds hours and minutes, not only the day
    QString name;
    QString linkTarget;
    bool isFolder = false;
};

enum class ListingLineKind { Entry, Skip, Invalid };

// Parses one line (without its line end). Blank lines and "total N"
// summaries are Skip; lines in no known form are Invalid.
ListingLineKind parseListingLine(const QByteArray& line, FtpListingEntry* entry);

// Feeds listing bytes in the pieces they arrive in and parses whole lines,
// keeping an incomplete line until the rest arrives. Entries are counted,
// never printed: a listing is the server's text, and it can be huge.
class FtpListingParser {
public:
    // Largest incomplete line kept before the listing counts as unreadable.
    static constexpr qsizetype kMaxLine = 32768;
    // The most of a listing that is read. The connection test needs only a
    // good beginning; a server sending gigabytes must not hold it.
    static constexpr qint64 kMaxListing = 4 * 1024 * 1024;

    // Returns false once the listing cannot be read, or once kMaxListing
    // bytes have been read (capped()).
    bool feed(const QByteArray& bytes);
    // Parses a last line that had no line end. Returns false on failure.
    bool finish();

    int entryCount() const { return m_entries; }
    bool failed() const { return m_failed; }
    bool capped() const { return m_capped; }

private:
    bool parseLine(const QByteArray& line);
    QByteArray m_leftOver;
    qint64 m_total = 0;
    int m_entries = 0;
    bool m_failed = false;
    bool m_capped = false;
};

} // namespace morvane
