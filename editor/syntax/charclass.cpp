#include "editor/syntax/charclass.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <memory>

namespace morvane::charclass {

namespace {

struct Table {
    std::unique_ptr<std::uint8_t[]> flags{new std::uint8_t[65536]()};

    Table() {
        for (unsigned c = 0; c < 128; ++c) {
            if (c == ' ' || (c >= '\t' && c <= '\r'))
                flags[c] |= kSpace;
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                flags[c] |= kAlpha;
            if (c >= '0' && c <= '9')
                flags[c] |= kDigit;
        }
        // A fixed UTF-8 locale keeps colouring independent of the user's
        // LANG; without one, everything above 127 counts as punctuation.
        locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
        if (loc == locale_t(nullptr))
            return;
        for (unsigned c = 128; c < 65536; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue; // lone halves of a surrogate pair are no characters
            const auto wc = static_cast<wint_t>(c);
            if (iswspace_l(wc, loc))
                flags[c] |= kSpace;
            if (iswalpha_l(wc, loc))
                flags[c] |= kAlpha;
            if (iswdigit_l(wc, loc))
                flags[c] |= kDigit;
        }
        freelocale(loc);
    }
};

} // namespace

const std::uint8_t* table() {
    static const Table t;
    return t.flags.get();
}

} // namespace morvane::charclass
