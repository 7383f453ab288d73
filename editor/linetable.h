// Line starts of a text, counted the way the line-number ruler counts lines:
// a line ends with a line feed, a carriage return, a carriage return plus
// line feed (one end), U+0085, U+2028 or U+2029, and the empty line after a
// final line end has a number of its own.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace morvane {

// "No position" / "no line".
inline constexpr std::int64_t kNotFound = std::numeric_limits<std::int64_t>::max();

// Whether `c` ends a line by itself (a carriage return before a line feed
// ends it together with the line feed).
constexpr bool isLineTerminator(char16_t c) {
    return c == u'\n' || c == u'\r' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

// The position where each line starts, ascending, first entry 0. An empty
// text has one line.
std::vector<std::int64_t> lineStartsOfText(std::u16string_view text);

// The 0-based number of the last line that starts at or before `position`
// (bisection); 0 for an empty table.
std::int64_t lineOfPosition(const std::vector<std::int64_t>& starts, std::int64_t position);

// The digits the ruler makes room for with `lines` lines: 2 for none,
// otherwise the number of decimal digits of `lines`.
int digitsForLineCount(std::size_t lines);

} // namespace morvane
