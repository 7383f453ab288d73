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
#include "editor/syntax/scanstate.h"

#include <cstdint>

namespace morvane {

struct ScanWindow {
    const char16_t* chars;
    std::int64_t base;
    std::int64_t start;
    std::int64_t stop;
    std::int64_t visibleStart;
};

// The HTML scanner. Hands every `<?` block to scanPhp and the content of
// <style> and <script> elements to scanCode. `resume`, when given, is the
// state of a checkpoint inside such an element at w.start: the scan starts
// there. `sink` receives the checkpoints inside the elements.
void scanHtml(const ScanWindow& w, AttributeStore& store, const ScanState* resume = nullptr,
              CheckpointSink* sink = nullptr);

// Where and why a CSS or JavaScript scan stopped, and its state there.
struct CodeScanEnd {
    enum Reason : std::uint8_t {
        WindowEnd, // w.stop reached, or the sink stopped the scan
        EndTag,    // at the `<` of the embedded element's end tag
        Php,       // at the `<` of a `<?` block inside an embedded element
    };
    std::int64_t pos;
    Reason reason;
    ScanState state;
};

// Scans [from, w.stop) as the CSS or JavaScript (or raw text) that `state`
// says, from that state, and paints every position it passes (roles before
// w.visibleStart excepted). The state of each line start at or after
// sink->next goes to `sink`, which may stop the scan there. A scan after a
// PHP block continues with the state it returned before the block.
CodeScanEnd scanCode(const ScanWindow& w, std::int64_t from, const ScanState& state,
                     AttributeStore& store, CheckpointSink* sink = nullptr);

// The state a scan resumes in after a `<?…?>` block inside code: the state
// before the block, except that in JavaScript code the block counts as a
// value (`var n = <?= $n ?> / 2` divides).
ScanState stateAfterPhp(const ScanState& before);

// True for the `type` values of <script> that browsers run (and JSON and
// import maps, which read as JavaScript): other types are shown uncoloured.
bool isScriptType(std::u16string_view type);

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
