// What an upload sends: the site's folder, the Markdown files to convert, the
// marked files to send and the ones refused, and the confirmation text. No
// state of its own: the publish sequence (publish.h) feeds it the marked
// paths and applies what it decides.
#pragma once

#include "core/markdown.h"
#include "core/sitestore.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace morvane::uploadplan {

// The local folder of a site: its `localpath`, or the default site folder
// when that is empty. A stored path that is not absolute is never resolved
// against the current folder: the result is empty and `error` says why.
QString siteFolderFor(const Site& site, const QString& defaultSiteFolder, QString* error = nullptr);

// The path relative to `siteFolder` when `path` lies inside it (begins with
// the folder followed by "/"); an empty string otherwise.
QString relativePath(const QString& siteFolder, const QString& path);

// Whether the file at `path` really lies inside `siteFolder`: its canonical
// path (every symbolic link resolved) is inside the folder's canonical path.
bool staysInside(const QString& siteFolder, const QString& path);

struct MarkdownPass {
    bool ok = true;
    QString failedPath;    // the Markdown file that stopped the pass
    markdown::Error error; // why it stopped
    QStringList htmlFiles; // full paths of the HTML files made (or, dry, to be made)
};

// Converts every Markdown file among `marked` that lies inside the site and
// exists. Stops at the first failure; `htmlFiles` then still lists the files
// made before it (the caller marks them). With `dryRun` nothing is written:
// the pass only checks that each HTML file may be replaced.
MarkdownPass convertMarkdown(const QStringList& marked, const QString& siteFolder,
                             bool dryRun = false);

// A marked file that is not sent, and why.
struct Refusal {
    QString file; // relative to the site folder
    QString reason;
};

struct Files {
    QStringList send;       // relative paths, in the record's order
    QList<Refusal> refused; // marked files of the site that must not go
};

// The files to send: every path of `marked` that lies inside the site folder
// and names an existing file, relative to the folder. A file that a symbolic
// link leads outside the site folder is refused. `alsoPresent` lists full
// paths to treat as existing files (the HTML files a dry run would make).
Files collectFiles(const QStringList& marked, const QString& siteFolder,
                   const QStringList& alsoPresent = {});

// The confirmation text: `heading` ("Click OK to upload these files:" in
// the window), the files, the destination, then any refused files.
QString confirmationText(const Site& site, const Files& files, const QString& heading);
QString confirmationText(const Site& site, const QStringList& files);

// Full paths of the site's marked files that no longer exist (their marks
// are dropped after a successful upload).
QStringList vanishedFiles(const QStringList& marked, const QString& siteFolder);

} // namespace morvane::uploadplan
