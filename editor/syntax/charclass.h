// Character classes the scanners test: whitespace, letters and digits of
// UTF-16 code units. ASCII follows the C locale; code units above 127 follow
// the C.UTF-8 wide-character classification, so the result is the same
// whatever locale the user runs under. Surrogates are never letters or spaces.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace morvane::charclass {

enum : std::uint8_t { kSpace = 1, kAlpha = 2, kDigit = 4 };

// One byte of flags per UTF-16 code unit, built once on first use.
const std::uint8_t* table();

inline bool isSpace(char16_t c, const std::uint8_t* t) {
    return t[c] & kSpace;
}
inline bool isAlpha(char16_t c, const std::uint8_t* t) {
    return t[c] & kAlpha;
}
inline bool isAlnum(char16_t c, const std::uint8_t* t) {
    return t[c] & (kAlpha | kDigit);
}

// The first position in [from, to) of `c`, or `to`. `chars` holds the code
// units of the positions from `base` on. Used for the long runs the scanners
// skip over (text between tags, quoted values, comments). Inline: the
// scanners call it for every such run.
inline std::int64_t findCodeUnit(const char16_t* chars, std::int64_t base, std::int64_t from,
                                 std::int64_t to, char16_t c) {
    const char16_t* p = chars + (from - base);
    const char16_t* const e = chars + (to - base);
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi16(short(c));
    while (e - p >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int m = _mm_movemask_epi8(_mm_cmpeq_epi16(v, needle));
        if (m != 0)
            return (p - chars) + base + (__builtin_ctz(unsigned(m)) >> 1);
        p += 8;
    }
#endif
    for (; p < e; ++p) {
        if (*p == c)
            return (p - chars) + base;
    }
    return to;
}

} // namespace morvane::charclass
