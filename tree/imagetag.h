// The "Copy <img> Tag" command's text: an HTML image tag for an image file
// of the site, with its path below the site folder and its size in pixels.
#pragma once

#include <QString>

namespace morvane {

// Whether the outline offers the image tag for a file of that name: its
// lower-cased extension is jpg, jpeg, png or gif.
bool isImageName(const QString& name);

// "<img src='img/logo.png' width='120' height='40'>" for `fullPath` below
// `siteFolder`. The size is read from the image's header, without decoding
// the pixels. Empty when the file is not a readable image. Characters that
// would end the attribute early (' and &) are written as HTML references.
QString imageTag(const QString& fullPath, const QString& siteFolder);

} // namespace morvane
