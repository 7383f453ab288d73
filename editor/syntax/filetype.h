// Which files are coloured: htm, html and php in any letter case, and files
// without an extension. Everything else shows no colours.
#pragma once

#include <string_view>

namespace morvane {

// `extension` is the part of the file name after its last dot (empty when
// there is none).
bool isColourableExtension(std::u16string_view extension);

} // namespace morvane
