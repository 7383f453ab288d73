#include "editor/syntax/filetype.h"

namespace morvane {

namespace {
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view lowerB) {
    if (a.size() != lowerB.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        char16_t c = a[k];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
        if (c != lowerB[k])
            return false;
    }
    return true;
}
} // namespace

bool isColourableExtension(std::u16string_view extension) {
    return extension.empty() || equalsIgnoringCase(extension, u"htm") ||
           equalsIgnoringCase(extension, u"html") || equalsIgnoringCase(extension, u"php");
}

} // namespace morvane
