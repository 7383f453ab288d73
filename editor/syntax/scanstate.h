// Where a CSS or JavaScript scan stands at a line start: everything the
// scanner needs to carry on from there as if it had scanned from the top.
// Two states compare equal exactly when the scanner would colour the rest of
// the text the same way, which is what lets the colouring driver restart in
// the middle of a large stylesheet or script and stop once a rescan meets the
// state it found there before.
#pragma once

#include <array>
#include <cstdint>

namespace morvane {

enum class CodeLanguage : std::uint8_t {
    None = 0, // HTML (or no code at all)
    Css,
    Js,
    RawText, // a <script> of a type that is no script: shown as it is
};

struct ScanState {
    CodeLanguage language = CodeLanguage::None;
    std::uint8_t mode = 0;  // the scanner's own lexical mode
    std::uint8_t flags = 0; // kEmbedded, and the scanner's own flags
    std::uint8_t depth = 0; // CSS: block nesting; JavaScript: open parentheses
    // JavaScript: open `${` of template literals, and the braces opened
    // within each of the innermost eight.
    std::uint8_t templates = 0;
    std::array<std::uint8_t, 8> braces{};
    // JavaScript: bit k set when the parenthesis at depth k + 1 belongs to
    // an `if`, `while` or `for` (after its `)` a `/` starts an expression).
    std::uint32_t keywordParens = 0;

    // The code is the content of a <style> or <script> element: it ends at
    // the element's end tag and hands `<?` blocks to the PHP scanner.
    static constexpr std::uint8_t kEmbedded = 0x80;
    // JavaScript: a `/` here starts a regular expression (as at the top).
    static constexpr std::uint8_t kExpressionStart = 0x01;

    bool embedded() const { return flags & kEmbedded; }
    // Outside every comment, string, block, parenthesis and template.
    bool outside() const { return mode == 0 && depth == 0 && templates == 0 && keywordParens == 0; }
    bool operator==(const ScanState&) const = default;

    static ScanState start(CodeLanguage language, bool embedded) {
        ScanState s;
        s.language = language;
        s.flags = embedded ? kEmbedded : 0;
        if (language == CodeLanguage::Js)
            s.flags |= kExpressionStart;
        return s;
    }
};

// Receives the scanner's state at line starts. The scanner calls
// atRestartPoint only for line starts at or after `next`; the receiver moves
// `next` on. Returning true stops the scan there.
class CheckpointSink {
public:
    virtual ~CheckpointSink() = default;
    virtual bool atRestartPoint(std::int64_t pos, const ScanState& state) = 0;
    std::int64_t next = 0;
};

} // namespace morvane
