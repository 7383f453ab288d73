// libFuzzer target for the scanners (built by scripts/fuzz-syntax.sh with
// clang, -fsanitize=fuzzer,address,undefined). The input picks a window, a
// visible start and leftover attributes, then holds the text as UTF-16 code
// units. The scanners read only an exact-size copy of the window, must touch
// nothing outside it, and must agree with the reference reading (which knows
// no <style> or <script> elements). The same text read as CSS and as
// JavaScript must come out the same when the scan restarts at a line start
// in the state saved there.
#include "referencescanner.h"

#include "editor/syntax/attributestore.h"
#include "editor/syntax/scanners.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace morvane;
using namespace morvane::test;

namespace {

struct LineStarts : CheckpointSink {
    std::vector<std::pair<std::int64_t, ScanState>> states;
    bool atRestartPoint(std::int64_t pos, const ScanState& state) override {
        states.emplace_back(pos, state);
        next = pos + 1;
        return false;
    }
};

bool holdsElementWithCode(const std::u16string& text) {
    std::u16string lower = text;
    for (char16_t& c : lower)
        c = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return lower.find(u"<script") != std::u16string::npos ||
           lower.find(u"<style") != std::u16string::npos;
}

// Scans the whole text as CSS or JavaScript, then again from a few of its
// line starts over scrambled attributes: the roles must be the same.
void checkCodeRestarts(const std::u16string& text, CodeLanguage language, bool embedded) {
    const auto n = std::int64_t(text.size());
    const auto copy = std::make_unique<char16_t[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size() * sizeof(char16_t));
    AttributeStore whole;
    whole.reset(text);
    LineStarts lines;
    const CodeScanEnd end = scanCode(ScanWindow{copy.get(), 0, 0, n, 0}, 0,
                                     ScanState::start(language, embedded), whole, &lines);
    if (end.pos > n || (end.reason == CodeScanEnd::WindowEnd && end.pos != n))
        std::abort();
    for (std::size_t k = 0; k < lines.states.size(); k += 1 + lines.states.size() / 3) {
        const auto [pos, state] = lines.states[k];
        if (pos > end.pos)
            break;
        AttributeStore again = whole;
        again.apply(pos, n, SyntaxRole::Regex);
        const auto len = std::size_t(n - pos);
        auto window = std::make_unique<char16_t[]>(len ? len : 1);
        std::memcpy(window.get(), text.data() + pos, len * sizeof(char16_t));
        scanCode(ScanWindow{window.get(), pos, pos, n, pos}, pos, state, again);
        for (std::int64_t i = pos; i < end.pos; ++i) {
            if (again.roleAt(i) != whole.roleAt(i))
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    auto u16at = [&](std::size_t k) { return std::uint16_t(data[k] | (data[k + 1] << 8)); };
    const std::uint16_t a = u16at(0), b = u16at(2), v = u16at(4);
    const std::uint8_t leftover = data[6];
    std::u16string text;
    for (std::size_t k = 8; k + 1 < size; k += 2)
        text.push_back(char16_t(u16at(k)));
    const auto n = std::int64_t(text.size());
    std::int64_t start = n ? a % (n + 1) : 0;
    std::int64_t stop = n ? b % (n + 1) : 0;
    if (start > stop)
        std::swap(start, stop);
    const std::int64_t vis = start - 2 + std::int64_t(v % std::uint16_t(stop - start + 5));

    AttributeStore store;
    store.reset(text);
    Ref ref{std::vector<int>(text.size(), 0), std::vector<bool>(text.size(), false)};
    // Attributes an earlier pass might have left: a role over every third
    // stretch, marks where the flag bits say.
    for (std::int64_t i = 0; i < n; i += 7) {
        const auto role = SyntaxRole((leftover + i) % kSyntaxRoleCount);
        store.apply(i, i + 3, role);
        ref.apply(i, std::min(i + 3, n), role);
        if ((leftover >> (i % 8)) & 1) {
            store.mark(i, i + 2);
            ref.markR(i, std::min(i + 2, n));
        }
    }

    const auto len = std::size_t(stop - start);
    auto window = std::make_unique<char16_t[]>(len ? len : 1);
    std::memcpy(window.get(), text.data() + start, len * sizeof(char16_t));
    scanHtml(ScanWindow{window.get(), start, start, stop, vis}, store);
    checkCodeRestarts(text, (leftover & 1) ? CodeLanguage::Js : CodeLanguage::Css,
                      (leftover & 2) != 0);
    if (holdsElementWithCode(text))
        return 0;
    refHtml(text, start, stop, vis, ref);
    for (std::int64_t i = 0; i < n; ++i) {
        if (int(store.roleAt(i)) != ref.role[std::size_t(i)] ||
            store.isMarked(i) != ref.mark[std::size_t(i)])
            std::abort();
    }
    return 0;
}
