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

FileColouring colouringForExtension(std::u16string_view extension) {
    if (extension.empty() || equalsIgnoringCase(extension, u"htm") ||
        equalsIgnoringCase(extension, u"html") || equalsIgnoringCase(extension, u"php"))
        return FileColouring::Html;
    if (equalsIgnoringCase(extension, u"css"))
        return FileColouring::Css;
    if (equalsIgnoringCase(extension, u"js") || equalsIgnoringCase(extension, u"mjs"))
        return FileColouring::Js;
    return FileColouring::None;
}

} // namespace morvane
