// What the preview shows for a file, decided without any widget: the page
// address (through the site's local web server or straight from disk), the
// one-line page around an image, the error page, and which addresses count
// as inside the site. Every piece of text that reaches a page or an address
// is escaped here, so a file name can never become markup or a different
// request.
#pragma once

#include <QString>
#include <QUrl>

namespace morvane::preview {

// True for the picture files the preview wraps in a page of their own
// (jpg, jpeg, png, gif, any case).
bool isImage(const QString& path);

// The type a file read from disk is shown as, when the engine would not
// show it itself (it would offer a PHP page or a Markdown file for
// download): "text/html" for server pages, "text/plain" for Markdown;
// empty when the engine knows the file's type.
QString diskPageType(const QString& path);

// `path` relative to `siteFolder`, without a leading "/"; empty when the
// path does not lie inside the folder.
QString relativePath(const QString& siteFolder, const QString& path);

// Each segment of a relative path percent-encoded as UTF-8, everything but
// letters, digits and "-._~" escaped, so "?", "#", "%" and "&" stay part of
// the file name. "/" is kept as the separator.
QString escapePath(const QString& relative);

// Text made safe for an HTML element or a quoted attribute.
QString escapeHtml(const QString& text);

// The site's local web address as the user typed it, checked: http or
// https with a host, no query or fragment. An address without a scheme
// ("localhost/site") is taken as http. Returns an invalid QUrl and fills
// `problem` when it cannot be used.
QUrl parseLocalUrl(const QString& localUrl, QString* problem);

// The address of `relative` below the local address: the local address as
// given (its own escapes untouched), a "/" when it has none at its end, then
// the escaped path.
QUrl localServerUrl(const QString& localUrl, const QString& relative, QString* problem);

// The page shown when a load fails; `description` is plain text.
QString errorPage(const QString& description, int code, bool serverHint);
// A page that explains why nothing could be loaded.
QString problemPage(const QString& message);

// True for the engine's error codes of a server that refuses or cannot take
// the connection (the local web server is not running).
bool isConnectionFailure(int code);
// The engine's code of a load that was cancelled (by the next load).
inline constexpr int kLoadAborted = -3;

// `path` with every link resolved when it lies in `folder` (itself
// resolved) or below it, spelled below `folder` as given; empty when it
// lies outside. A link that leads
// nowhere, or to something without a path of its own (a "/proc/self/fd"
// entry), counts as outside; a name where nothing is yet counts by its
// folder.
QString resolveInside(const QString& folder, const QString& path);
// True when `url` is a file address of `folder` or a file below it, links
// resolved (a link inside the site that leads out of it is outside).
bool isInsideFolder(const QUrl& url, const QString& folder);
// True for what a page shown from disk may load: a regular file inside
// `folder`, or a name inside it where nothing is (it fails as missing).
bool isSiteFile(const QString& folder, const QString& path);
// True when `url` lies below the site's local web address.
bool isInsideLocalUrl(const QUrl& url, const QString& localUrl);

// The text of an address for the address label: escapes decoded,
// "about:blank" as nothing.
QString addressLabel(const QUrl& url);

} // namespace morvane::preview
