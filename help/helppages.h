// The built-in help pages: which file of the program's resources answers an
// address of the help scheme. Pages live in the resources under
// ":/Morvane/help/"; an address names them by the same path.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace morvane::help {

struct HelpPage {
    QByteArray body;
    QByteArray mimeType;
};

// The resource file for `url`, or an empty string when the address is not a
// help page (another scheme or host, a path outside "/Morvane/help/", an
// attempt to climb out of it). A folder address gets its index.html.
QString resourcePathFor(const QUrl& url);

// Reads the page for `url`; false when there is none.
bool readHelpPage(const QUrl& url, HelpPage* page);

// The MIME type the web engine is told for a file name.
QByteArray mimeTypeFor(const QString& fileName);

// Every file of the built-in help, as resource paths.
QStringList allHelpFiles();

} // namespace morvane::help
