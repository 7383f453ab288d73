// Readable Qt values in GoogleTest failure messages. GoogleTest finds these
// by argument-dependent lookup, so they live in Qt's (global) namespace.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (const QString& s : list)
        *os << ' ' << '"' << s.toStdString() << '"';
    *os << " }";
}
