// What the Upload command sends and how the needing-upload record changes
// afterwards. Shared by the window's Upload command and the command-line
// upload so that both choose the same files and leave the same record.
#pragma once

#include "core/sitestore.h"
#include "upload/markdown.h"

#include <QString>
#include <QStringList>

namespace morvane {

class NeedingUploadRecord;

namespace uploadplan {

// The local folder of a site: its `localpath`, or the default site folder
// when that is empty.
QString siteFolderFor(const Site& site, const QString& defaultSiteFolder);

// The path relative to `siteFolder` when `path` lies inside it (begins with
// the folder followed by "/"); an empty string otherwise.
QString relativePath(const QString& siteFolder, const QString& path);

struct MarkdownPass {
    bool ok = true;
    QString failedPath;    // the Markdown file that stopped the pass
    markdown::Error error; // why it stopped
    QStringList htmlFiles; // full paths of the HTML files made (or, dry, to be made)
};

// Converts every Markdown file of the site that the record lists and that
// exists, and marks each HTML file made in the record (in memory only). Stops
// at the first failure; files converted before it keep their marks.
// With `dryRun` nothing is written: the pass only checks that each HTML file
// may be replaced and reports the HTML files it would make.
MarkdownPass convertMarkdown(NeedingUploadRecord& record, const QString& siteFolder,
                             bool dryRun = false);

// The files to send: every path of the record that lies inside the site
// folder and names an existing file, relative to the folder, in the record's
// order. `alsoPresent` lists full paths to treat as existing files (the HTML
// files a dry run would make).
QStringList collectFiles(const NeedingUploadRecord& record, const QString& siteFolder,
                         const QStringList& alsoPresent = {});

// The confirmation text shown before an upload.
QString confirmationText(const Site& site, const QStringList& files);

// Updates the record after a transfer in which every file of `files`
// (relative to `siteFolder`) was sent: their marks go, and so do the marks of
// the site's files that no longer exist. Marks of other sites stay, since
// those files were never sent. Returns true when the record changed.
bool forgetSentFiles(NeedingUploadRecord& record, const QString& siteFolder,
                     const QStringList& files);

} // namespace uploadplan
} // namespace morvane
