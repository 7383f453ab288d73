// Helpers for the CSS and JavaScript scanner tests: a whole scan that keeps
// the state of every line start, and the comparison of two stores by role.
#pragma once

#include "editor/syntax/attributestore.h"
#include "editor/syntax/scanners.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvane::test {

// Keeps the state of every line start it is shown.
struct AllLineStarts : CheckpointSink {
    std::vector<std::pair<std::int64_t, ScanState>> states;
    bool atRestartPoint(std::int64_t pos, const ScanState& state) override {
        states.emplace_back(pos, state);
        next = pos + 1;
        return false;
    }
};

inline ScanState codeStart(CodeLanguage language) {
    return ScanState::start(language, false);
}

// Scans the whole text as `language` into `store`, keeping every line start.
inline CodeScanEnd scanCodeWhole(const std::u16string& text, CodeLanguage language,
                                 AttributeStore& store, AllLineStarts* lines = nullptr) {
    store.reset(text);
    const auto n = std::int64_t(text.size());
    return scanCode(ScanWindow{text.data(), 0, 0, n, 0}, 0, codeStart(language), store, lines);
}

// The first position where the roles differ, or -1.
inline std::int64_t firstRoleDifference(const AttributeStore& a, const AttributeStore& b,
                                        std::int64_t from = 0) {
    for (std::int64_t i = from; i < a.size(); ++i) {
        if (a.roleAt(i) != b.roleAt(i) || a.isMarked(i) != b.isMarked(i))
            return i;
    }
    return -1;
}

// Restarting at the line start `pos` in its saved state, over attributes
// scrambled from there on, gives what the whole scan gave. The scan reads
// only an exact-size copy of [pos, end), so the sanitizers catch a read
// outside it.
inline void expectRestartMatches(const std::u16string& text, const AttributeStore& whole,
                                 std::int64_t pos, const ScanState& state) {
    AttributeStore store = whole;
    const auto n = std::int64_t(text.size());
    store.apply(pos, n, SyntaxRole::Variable);
    store.mark(pos, n);
    const std::u16string window = text.substr(std::size_t(pos));
    scanCode(ScanWindow{window.data(), pos, pos, n, pos}, pos, state, store);
    EXPECT_EQ(firstRoleDifference(store, whole), -1) << "restart at " << pos;
}

} // namespace morvane::test
