// The HTML and PHP scanners: one left-to-right pass over a window of the
// text that colours tags, attributes, values, comments and PHP blocks and
// marks the characters of recognised markup, so a later pass can restart at
// a marked '<'.
//
// `chars` holds the code units of the positions [base, base + n); the window
// [start, stop) must lie inside it. Every position handed to the store is an
// absolute text position. Tokens that complete before `visibleStart` are only
// tracked, not coloured (apart from the exceptions of the algorithm: tag
// names ended by whitespace, PHP delimiters and PHP code runs).
#pragma once

#include "editor/syntax/attributestore.h"

#include <cstdint>

namespace morvane {

struct ScanWindow {
    const char16_t* chars;
    std::int64_t base;
    std::int64_t start;
    std::int64_t stop;
    std::int64_t visibleStart;
};

// The HTML scanner. Hands every `<?` block to scanPhp.
void scanHtml(const ScanWindow& w, AttributeStore& store);

// The PHP scanner for the block whose `<` is at `phpStart`. Returns the
// position just after the closing `?>`, or w.stop when there is none.
// It first removes every marker from phpStart to the window's end; within
// one HTML pass only the first block needs to (later blocks would find no
// marker there: everything marked since lies before them), so the HTML
// scanner passes `unmarkRest` = false for those and the pass stays linear.
std::int64_t scanPhp(const ScanWindow& w, std::int64_t phpStart, AttributeStore& store,
                     bool unmarkRest = true);

// Colours one PHP word as variable, reserved identifier or identifier.
void colourWord(const ScanWindow& w, std::int64_t wordStart, std::int64_t length,
                AttributeStore& store);

} // namespace morvane
