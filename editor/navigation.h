// Moving about the text: the partner of a bracket or of an HTML tag at the
// caret (for highlighting and Go to Matching Bracket), and the line and
// column a user types into Go to Line.
#pragma once

#include <QStringView>

#include <optional>
#include <utility>

namespace morvane::webtext {

// Two matching things in a text: the brackets themselves, or the names of
// a start tag and its end tag.
struct MatchedPair {
    qsizetype at = 0; // the one at the caret
    qsizetype atLength = 1;
    qsizetype partner = 0;
    qsizetype partnerLength = 1;
    // Where the caret goes to stand at the partner as it stood at the first.
    qsizetype jumpTo = 0;
    bool operator==(const MatchedPair&) const = default;
};

// The bracket ((), [], {}) right after the caret, else right before it, and
// its partner; else the tag whose name holds the caret and its partner.
// The search stays inside `text` (a window around the caret).
std::optional<MatchedPair> matchAt(QStringView text, qsizetype caret);

// "120" or "120:5" (spaces allowed): a line, and a column (1 when left out),
// both counted from 1. Nothing for anything else.
std::optional<std::pair<int, int>> parseLineColumn(QStringView input);

} // namespace morvane::webtext
