// A quick look at a file's raw bytes before it is decoded, for Find in
// Site: a literal search for ASCII text cannot match a file in an
// ASCII-compatible encoding (UTF-8, Windows-1252, Latin-1…) whose bytes do
// not hold it, in any letter case when case does not matter. Most files of a
// site hold no match and are then passed over without being decoded.
//
// Regular expressions, patterns with characters outside printable ASCII and
// files in UTF-16 are always handed on to the full search.
#pragma once

#include "editor/findengine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace morvane {

class BytePrefilter {
public:
    BytePrefilter(const QString& pattern, FindOptions options);

    // False only when the bytes surely hold no match.
    bool mayMatch(QByteArrayView bytes) const;
    // True when the filter looks at the bytes at all.
    bool isActive() const { return m_active; }

private:
    bool holdsNeedle(QByteArrayView bytes) const;

    bool m_active = false;
    bool m_caseSensitive = false;
    // A letter of the needle that Unicode's case folding also reaches from
    // a character outside ASCII (the Kelvin sign for k, the long s for s):
    // a file holding that character is searched in full.
    bool m_foldsFromOutsideAscii = false;
    QByteArray m_needle;  // folded to lower case when case does not matter
    qsizetype m_rare = 0; // where its rarest byte is
};

} // namespace morvane
