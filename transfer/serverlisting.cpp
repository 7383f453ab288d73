#include "transfer/serverlisting.h"

#include "transfer/ftplisting.h"

#include <QList>

namespace morvane {

namespace {

// "20261208044000" or "20261208044000.123", always UTC.
QDateTime mlsdTime(const QByteArray& text) {
    const QByteArray whole = text.left(14);
    if (whole.size() != 14)
        return {};
    for (char c : whole) {
        if (c < '0' || c > '9')
            return {};
    }
    const QDate date(whole.mid(0, 4).toInt(), whole.mid(4, 2).toInt(), whole.mid(6, 2).toInt());
    const QTime time(whole.mid(8, 2).toInt(), whole.mid(10, 2).toInt(), whole.mid(12, 2).toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

ServerLineKind parseMlsdLine(const QByteArray& rawLine, ServerEntry* entry) {
    QByteArray line = rawLine;
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.trimmed().isEmpty())
        return ServerLineKind::Skip;
    // The facts end at the first space; the name is everything after it,
    // spaces included.
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return ServerLineKind::Invalid;
    *entry = ServerEntry();
    entry->name = QString::fromUtf8(line.mid(space + 1));
    bool typed = false;
    for (const QByteArray& fact : line.left(space).split(';')) {
        const qsizetype eq = fact.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = fact.left(eq).toLower();
        const QByteArray value = fact.mid(eq + 1);
        if (key == "type") {
            const QByteArray type = value.toLower();
            if (type == "cdir" || type == "pdir")
                return ServerLineKind::Skip;
            typed = true;
            entry->isFolder = type == "dir";
            entry->isLink = type.startsWith("os.unix=slink") || type.startsWith("os.unix=symlink");
            if (!entry->isFolder && !entry->isLink && type != "file")
                entry->isLink = true; // a device, a pipe: nothing to fetch
        } else if (key == "size" || key == "sizd") {
            bool ok = false;
            const qint64 size = value.toLongLong(&ok);
            if (ok && size >= 0 && key == "size")
                entry->size = size;
        } else if (key == "modify") {
            entry->modified = mlsdTime(value);
            entry->precision = 1;
        }
    }
    return typed ? ServerLineKind::Entry : ServerLineKind::Invalid;
}

ServerLineKind parseLsLine(const QByteArray& line, ServerEntry* entry, bool localTime) {
    FtpListingEntry ls;
    switch (parseListingLine(line, &ls)) {
    case ListingLineKind::Skip:
        return ServerLineKind::Skip;
    case ListingLineKind::Invalid:
        return ServerLineKind::Invalid;
    case ListingLineKind::Entry:
        break;
    }
    *entry = ServerEntry();
    entry->name = ls.name;
    entry->isFolder = ls.isFolder;
    entry->isLink = ls.permissions.startsWith(QLatin1Char('l')) || !ls.linkTarget.isEmpty();
    if (!ls.permissions.isEmpty() && !ls.isFolder && !entry->isLink &&
        !ls.permissions.startsWith(QLatin1Char('-')))
        entry->isLink = true; // a device, a pipe: nothing to fetch
    entry->size = ls.isFolder ? -1 : ls.size;
    if (ls.modified.isValid()) {
        entry->modified =
            QDateTime(ls.modified.date(), ls.modified.time(), localTime ? Qt::LocalTime : Qt::UTC)
                .toUTC();
        entry->precision = ls.timeOfDay ? 60 : 24 * 3600;
    }
    return ServerLineKind::Entry;
}

namespace servername {

QString problem(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("the name is \"%1\"").arg(name);
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c == u'/')
            return QStringLiteral("the name holds \"/\"");
        if (c == u'\\')
            return QStringLiteral("the name holds \"\\\"");
        if (c == 0)
            return QStringLiteral("the name holds a NUL character");
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return QStringLiteral("the name holds a control character");
    }
    return QString();
}

} // namespace servername

} // namespace morvane
