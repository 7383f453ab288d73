// libFuzzer target for the scanners (built by scripts/fuzz-syntax.sh with
// clang, -fsanitize=fuzzer,address,undefined). The input picks a window, a
// visible start and leftover attributes, then holds the text as UTF-16 code
// units. The scanners read only an exact-size copy of the window, must touch
// nothing outside it, and must agree with the reference reading.
#include "referencescanner.h"

#include "editor/syntax/attributestore.h"
#include "editor/syntax/scanners.h"

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace morvane;
using namespace morvane::test;

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
    refHtml(text, start, stop, vis, ref);
    for (std::int64_t i = 0; i < n; ++i) {
        if (int(store.roleAt(i)) != ref.role[std::size_t(i)] ||
            store.isMarked(i) != ref.mark[std::size_t(i)])
            std::abort();
    }
    return 0;
}
