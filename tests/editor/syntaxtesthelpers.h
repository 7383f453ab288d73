// Helpers for the scanner tests: texts as UTF-16, one pass of the HTML
// scanner, and a one-letter-per-position picture of the attributes that makes
// expectations readable beside the text they describe.
#pragma once

#include "editor/syntax/attributestore.h"
#include "editor/syntax/scanners.h"

#include <QString>

#include <string>
#include <string_view>

namespace morvane::test {

inline std::u16string u16(std::string_view utf8) {
    const QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

// One letter per position: T tag, A attribute, P parameter, C comment,
// p PHP code, D PHP delimiter, I identifier, R reserved, V variable, '.' none.
inline std::string roles(const AttributeStore& s) {
    static constexpr char letters[] = ".TAPCpDIRV";
    std::string out;
    for (std::int64_t i = 0; i < s.size(); ++i)
        out.push_back(letters[int(s.roleAt(i))]);
    return out;
}

// '^' under every marked position, a space elsewhere (trailing spaces cut).
inline std::string marks(const AttributeStore& s) {
    std::string out;
    for (std::int64_t i = 0; i < s.size(); ++i)
        out.push_back(s.isMarked(i) ? '^' : ' ');
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// Runs the HTML scanner over [start, stop) with the given visible start on a
// store that already holds `text` (and whatever attributes it had).
inline void scan(AttributeStore& store, const std::u16string& text, std::int64_t start,
                 std::int64_t stop, std::int64_t visibleStart) {
    scanHtml(ScanWindow{text.data(), 0, start, stop, visibleStart}, store);
}

// A fresh store holding `text`, scanned whole with everything visible.
inline AttributeStore scanWhole(const std::u16string& text) {
    AttributeStore store;
    store.reset(text);
    scan(store, text, 0, std::int64_t(text.size()), 0);
    return store;
}

} // namespace morvane::test
