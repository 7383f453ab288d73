// Which files are coloured, and as what: htm, html and php in any letter
// case, and files without an extension, as HTML (with PHP, and CSS and
// JavaScript in their elements); css as CSS; js and mjs as JavaScript.
// Everything else shows no colours.
#pragma once

#include <string_view>

namespace morvane {

enum class FileColouring { None, Html, Css, Js };

// `extension` is the part of the file name after its last dot (empty when
// there is none).
FileColouring colouringForExtension(std::u16string_view extension);

inline bool isColourableExtension(std::u16string_view extension) {
    return colouringForExtension(extension) != FileColouring::None;
}

} // namespace morvane
