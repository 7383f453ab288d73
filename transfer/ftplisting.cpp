#include "transfer/ftplisting.h"

#include "transfer/ftplog.h"

#include <QList>
#include <QRegularExpression>

namespace morvane {

namespace {

int monthNumber(const QByteArray& name) {
    static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const QByteArray lower = name.toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == months[i])
            return i + 1;
    }
    return 0;
}

// "Dec 08 04:40" (this year or the last) or "Dec 08 2025".
QDateTime unixDate(const QByteArray& month, const QByteArray& day, const QByteArray& timeOrYear) {
    const int m = monthNumber(month);
    bool ok = false;
    const int d = day.toInt(&ok);
    if (m == 0 || !ok)
        return {};
    if (timeOrYear.contains(':')) {
        const QTime t = QTime::fromString(QString::fromLatin1(timeOrYear), QStringLiteral("H:mm"));
        const QDate today = QDate::currentDate();
        // Recent entries show a time instead of the year: this year, unless
        // that would lie in the future (or not exist, like 29 February).
        QDate date(today.year(), m, d);
        if (!date.isValid() || date > today.addDays(1))
            date = QDate(today.year() - 1, m, d);
        return QDateTime(date, t);
    }
    const int year = timeOrYear.toInt(&ok);
    return ok ? QDateTime(QDate(year, m, d), QTime(0, 0)) : QDateTime();
}

bool isPermissionText(const QByteArray& field) {
    static const QRegularExpression re(QStringLiteral("^[-dlbcpsD][-rwxsStTlL]{9}[.+@]?$"));
    return re.match(QString::fromLatin1(field)).hasMatch();
}

// Splits off `count` whitespace-separated fields; `rest` receives the text
// after them with its leading blanks removed (names may hold spaces).
bool splitFields(const QByteArray& line, int count, QList<QByteArray>* fields, QByteArray* rest) {
    qsizetype pos = 0;
    const qsizetype n = line.size();
    for (int i = 0; i < count; ++i) {
        while (pos < n && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        const qsizetype start = pos;
        while (pos < n && line[pos] != ' ' && line[pos] != '\t')
            ++pos;
        if (start == pos)
            return false;
        fields->append(line.mid(start, pos - start));
    }
    while (pos < n && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    *rest = line.mid(pos);
    return true;
}

bool parseUnix(const QByteArray& line, FtpListingEntry* entry) {
    // perms links owner group size month day time name
    // Some servers leave out the group; try the full form first.
    for (int withGroup = 1; withGroup >= 0; --withGroup) {
        QList<QByteArray> f;
        QByteArray rest;
        const int count = withGroup ? 8 : 7;
        if (!splitFields(line, count, &f, &rest) || rest.isEmpty())
            continue;
        if (!isPermissionText(f[0]))
            return false;
        bool ok = false;
        const qint64 size = f[withGroup ? 4 : 3].toLongLong(&ok);
        if (!ok || size < 0)
            continue;
        const int d = withGroup ? 5 : 4;
        const QDateTime modified = unixDate(f[d], f[d + 1], f[d + 2]);
        if (!modified.isValid())
            continue;
        entry->permissions = QString::fromLatin1(f[0].left(10));
        entry->owner = QString::fromLatin1(f[2]);
        entry->group = withGroup ? QString::fromLatin1(f[3]) : QString();
        entry->size = size;
        entry->modified = modified;
        entry->timeOfDay = f[d + 2].contains(':');
        entry->isFolder = f[0].startsWith('d');
        QString name = QString::fromUtf8(rest);
        if (f[0].startsWith('l')) {
            const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
            if (arrow >= 0) {
                entry->linkTarget = name.mid(arrow + 4);
                name = name.left(arrow);
            }
        }
        entry->name = name;
        return true;
    }
    return false;
}

bool parseDos(const QByteArray& line, FtpListingEntry* entry) {
    // 12-08-26  04:40AM       <DIR>          name
    // 12-08-26  04:40AM                 1234 name
    static const QRegularExpression re(
        QStringLiteral("^(\\d{2})-(\\d{2})-(\\d{2,4})\\s+(\\d{1,2}):(\\d{2})([AaPp][Mm])?\\s+"
                       "(<DIR>|\\d+)\\s+(.+)$"));
    const auto m = re.match(QString::fromUtf8(line));
    if (!m.hasMatch())
        return false;
    int year = m.captured(3).toInt();
    if (year < 100)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const QString ampm = m.captured(6).toLower();
    if (ampm == QLatin1String("pm") && hour < 12)
        hour += 12;
    if (ampm == QLatin1String("am") && hour == 12)
        hour = 0;
    entry->modified = QDateTime(QDate(year, m.captured(1).toInt(), m.captured(2).toInt()),
                                QTime(hour, m.captured(5).toInt()));
    entry->timeOfDay = true;
    entry->isFolder = m.captured(7) == QLatin1String("<DIR>");
    entry->size = entry->isFolder ? -1 : m.captured(7).toLongLong();
    entry->name = m.captured(8);
    return true;
}

} // namespace

ListingLineKind parseListingLine(const QByteArray& rawLine, FtpListingEntry* entry) {
    QByteArray line = rawLine;
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.trimmed().isEmpty() || line.startsWith("total "))
        return ListingLineKind::Skip;
    *entry = FtpListingEntry();
    if (parseUnix(line, entry) || parseDos(line, entry))
        return ListingLineKind::Entry;
    return ListingLineKind::Invalid;
}

bool FtpListingParser::parseLine(const QByteArray& line) {
    FtpListingEntry entry;
    switch (parseListingLine(line, &entry)) {
    case ListingLineKind::Entry:
        ++m_entries;
        return true;
    case ListingLineKind::Skip:
        return true;
    case ListingLineKind::Invalid:
        break;
    }
    qCDebug(lcFtp) << "Folder listing parse failure";
    m_failed = true;
    return false;
}

bool FtpListingParser::feed(const QByteArray& bytes) {
    if (m_failed || m_capped)
        return false;
    m_total += bytes.size();
    m_leftOver += bytes;
    qsizetype start = 0;
    for (qsizetype nl = m_leftOver.indexOf('\n'); nl >= 0; nl = m_leftOver.indexOf('\n', start)) {
        if (!parseLine(m_leftOver.mid(start, nl - start)))
            return false;
        start = nl + 1;
    }
    m_leftOver.remove(0, start);
    if (m_leftOver.size() > kMaxLine) {
        qCDebug(lcFtp) << "Folder listing parse failure: line too long";
        m_failed = true;
        return false;
    }
    if (m_total >= kMaxListing) {
        qCDebug(lcFtp) << "Folder listing longer than" << kMaxListing << "bytes; read no further";
        m_capped = true;
        return false;
    }
    return true;
}

bool FtpListingParser::finish() {
    if (m_failed)
        return false;
    if (!m_leftOver.isEmpty()) {
        const QByteArray last = m_leftOver;
        m_leftOver.clear();
        return parseLine(last);
    }
    return true;
}

} // namespace morvane
