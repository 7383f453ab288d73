#include "editor/siteprefilter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace morvane {

namespace {

unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isUtf16(QByteArrayView bytes) {
    return bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
}

// How often a byte turns up in the pages of a site, roughly: the bytes of
// markup and of English text, most frequent first. A byte not listed is
// rare.
int commonness(unsigned char c) {
    static constexpr char kCommon[] = "zqjxkvbpygfwmucldrhsnioate<>/=\" \n\t.,-:;'";
    const char* at = std::strchr(kCommon, char(fold(c)));
    return c != 0 && at ? int(at - kCommon) + 1 : 0;
}

// The first byte in [p, end) equal to a or b, or null.
const unsigned char* findEither(const unsigned char* p, const unsigned char* end, unsigned char a,
                                unsigned char b) {
    if (a == b)
        return static_cast<const unsigned char*>(std::memchr(p, a, size_t(end - p)));
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(char(a)), vb = _mm_set1_epi8(char(b));
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)));
        if (m != 0)
            return p + __builtin_ctz(unsigned(m));
    }
#endif
    for (; p < end; ++p)
        if (*p == a || *p == b)
            return p;
    return nullptr;
}

} // namespace

BytePrefilter::BytePrefilter(const QString& pattern, FindOptions options) {
    if (options.regularExpression || pattern.isEmpty())
        return;
    for (QChar c : pattern)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return;
    m_needle = pattern.toLatin1();
    m_caseSensitive = options.caseSensitive;
    if (!m_caseSensitive) {
        m_needle = m_needle.toLower();
        m_foldsFromOutsideAscii = m_needle.contains('k') || m_needle.contains('s');
    }
    // The needle's rarest byte is looked for first; most of a file is
    // passed over at the speed of memchr.
    for (qsizetype i = 1; i < m_needle.size(); ++i)
        if (commonness(static_cast<unsigned char>(m_needle[i])) <
            commonness(static_cast<unsigned char>(m_needle[m_rare])))
            m_rare = i;
    m_active = true;
}

bool BytePrefilter::holdsNeedle(QByteArrayView bytes) const {
    const qsizetype n = m_needle.size();
    if (bytes.size() < n)
        return false;
    const auto* hay = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* needle = reinterpret_cast<const unsigned char*>(m_needle.constData());
    const unsigned char rare = needle[m_rare];
    const unsigned char other =
        !m_caseSensitive && isLetter(rare) ? static_cast<unsigned char>(rare - 32) : rare;
    // The rare byte's places where a whole needle fits around it.
    const unsigned char* p = hay + m_rare;
    const unsigned char* const end = hay + bytes.size() - (n - 1 - m_rare);
    while (p < end) {
        p = findEither(p, end, rare, other);
        if (!p)
            return false;
        const unsigned char* start = p - m_rare;
        if (m_caseSensitive) {
            if (std::memcmp(start, needle, size_t(n)) == 0)
                return true;
        } else {
            qsizetype i = 0;
            while (i < n && fold(start[i]) == needle[i])
                ++i;
            if (i == n)
                return true;
        }
        ++p;
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
