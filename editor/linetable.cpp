#include "editor/linetable.h"

namespace morvane {

std::vector<std::int64_t> lineStartsOfText(std::u16string_view text) {
    std::vector<std::int64_t> starts{0};
    const auto n = std::int64_t(text.size());
    bool endsWithTerminator = false;
    for (std::int64_t i = 0; i < n; ++i) {
        const char16_t c = text[std::size_t(i)];
        if (!isLineTerminator(c)) {
            endsWithTerminator = false;
            continue;
        }
        if (c == u'\r' && i + 1 < n && text[std::size_t(i + 1)] == u'\n')
            ++i;
        endsWithTerminator = true;
        if (i + 1 < n)
            starts.push_back(i + 1);
    }
    if (endsWithTerminator)
        starts.push_back(n);
    return starts;
}

std::int64_t lineOfPosition(const std::vector<std::int64_t>& starts, std::int64_t position) {
    std::size_t lo = 0;
    std::size_t hi = starts.size();
    while (hi - lo >= 2) {
        const std::size_t mid = (lo + hi) / 2;
        if (starts[mid] > position)
            hi = mid;
        else if (starts[mid] < position)
            lo = mid;
        else
            return std::int64_t(mid);
    }
    return std::int64_t(lo);
}

int digitsForLineCount(std::size_t lines) {
    if (lines == 0)
        return 2;
    int digits = 1;
    for (std::size_t n = lines; n >= 10; n /= 10)
        ++digits;
    return digits;
}

} // namespace morvane
