#include "upload/uploadplan.h"

#include "upload/needinguploadrecord.h"

#include <QFileInfo>
#include <QSet>

namespace morvane::uploadplan {

QString siteFolderFor(const Site& site, const QString& defaultSiteFolder) {
    const QString local = site.localPath();
    return local.isEmpty() ? defaultSiteFolder : local;
}

QString relativePath(const QString& siteFolder, const QString& path) {
    if (siteFolder.isEmpty() || path.size() <= siteFolder.size() + 1 ||
        !path.startsWith(siteFolder) || path.at(siteFolder.size()) != QLatin1Char('/'))
        return QString();
    return path.mid(siteFolder.size() + 1);
}

MarkdownPass convertMarkdown(NeedingUploadRecord& record, const QString& siteFolder, bool dryRun) {
    MarkdownPass pass;
    // A snapshot: each conversion adds a path to the record.
    const QStringList paths = record.paths();
    for (const QString& path : paths) {
        if (relativePath(siteFolder, path).isEmpty() || !markdown::isMarkdownPath(path) ||
            !QFileInfo(path).isFile())
            continue;
        if (dryRun) {
            const QString target = markdown::targetPath(path);
            if (!markdown::mayReplaceTarget(path, &pass.error)) {
                pass.ok = false;
                pass.failedPath = path;
                return pass;
            }
            pass.htmlFiles.append(target);
            continue;
        }
        QString html;
        if (!markdown::convertFile(path, &html, &pass.error)) {
            pass.ok = false;
            pass.failedPath = path;
            return pass;
        }
        record.mark(html);
        pass.htmlFiles.append(html);
    }
    return pass;
}

QStringList collectFiles(const NeedingUploadRecord& record, const QString& siteFolder,
                         const QStringList& alsoPresent) {
    QStringList paths = record.paths();
    for (const QString& extra : alsoPresent)
        if (!record.contains(extra))
            paths.append(extra);
    // The record's order is sorted by path; keep the extra paths in that order too.
    if (!alsoPresent.isEmpty())
        paths.sort();
    const QSet<QString> assumed(alsoPresent.cbegin(), alsoPresent.cend());

    QStringList files;
    for (const QString& path : paths) {
        const QString rel = relativePath(siteFolder, path);
        if (rel.isEmpty())
            continue;
        if (assumed.contains(path) || QFileInfo(path).isFile())
            files.append(rel);
    }
    return files;
}

QString confirmationText(const Site& site, const QStringList& files) {
    QString text = QStringLiteral("Click OK to upload these files:\n\n");
    for (const QString& f : files)
        text += QStringLiteral("\t%1\n").arg(f);
    text += QStringLiteral("\nto:\n\n\t") + site.server() + site.serverFolder();
    return text;
}

bool forgetSentFiles(NeedingUploadRecord& record, const QString& siteFolder,
                     const QStringList& files) {
    QStringList gone;
    for (const QString& rel : files)
        gone.append(siteFolder + QLatin1Char('/') + rel);
    for (const QString& path : record.paths()) {
        if (!relativePath(siteFolder, path).isEmpty() && !QFileInfo(path).isFile())
            gone.append(path);
    }
    const int before = record.size();
    record.removePaths(gone);
    return record.size() != before;
}

} // namespace morvane::uploadplan
