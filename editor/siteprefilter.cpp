#include "editor/siteprefilter.h"

#include <cstring>

namespace morvane {

namespace {

unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

bool isUtf16(QByteArrayView bytes) {
    return bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
}

} // namespace

BytePrefilter::BytePrefilter(const QString& pattern, FindOptions options) {
    if (options.regularExpression || pattern.isEmpty())
        return;
    for (QChar c : pattern)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return;
    m_caseSensitive = options.caseSensitive;
    m_needle = pattern.toLatin1();
    if (!m_caseSensitive) {
        m_needle = m_needle.toLower();
        m_foldsFromOutsideAscii = m_needle.contains('k') || m_needle.contains('s');
        const std::size_t n = std::size_t(m_needle.size());
        m_shift.fill(n);
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const auto c = static_cast<unsigned char>(m_needle[qsizetype(i)]);
            m_shift[c] = n - 1 - i;
            if (c >= 'a' && c <= 'z')
                m_shift[c - 32] = n - 1 - i;
        }
    }
    m_active = true;
}

bool BytePrefilter::holdsNeedle(QByteArrayView bytes) const {
    const std::size_t n = std::size_t(m_needle.size());
    const std::size_t size = std::size_t(bytes.size());
    if (size < n)
        return false;
    const auto* hay = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* needle = reinterpret_cast<const unsigned char*>(m_needle.constData());
    if (m_caseSensitive)
        return ::memmem(hay, size, needle, n) != nullptr;
    // Horspool over the bytes, comparing folded letters.
    const unsigned char last = needle[n - 1];
    for (std::size_t pos = 0; pos + n <= size;) {
        const unsigned char end = hay[pos + n - 1];
        if (fold(end) == last) {
            std::size_t i = 0;
            while (i + 1 < n && fold(hay[pos + i]) == needle[i])
                ++i;
            if (i + 1 == n)
                return true;
        }
        pos += m_shift[end];
    }
    return false;
}

bool BytePrefilter::mayMatch(QByteArrayView bytes) const {
    if (!m_active || isUtf16(bytes))
        return true;
    if (holdsNeedle(bytes))
        return true;
    // U+212A KELVIN SIGN and U+017F LATIN SMALL LETTER LONG S in UTF-8.
    return m_foldsFromOutsideAscii && (bytes.indexOf(QByteArrayView("\xe2\x84\xaa")) >= 0 ||
                                       bytes.indexOf(QByteArrayView("\xc5\xbf")) >= 0);
}

} // namespace morvane
