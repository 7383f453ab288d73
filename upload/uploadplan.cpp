#include "upload/uploadplan.h"

#include "transfer/ftpaddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace morvane::uploadplan {

QString siteFolderFor(const Site& site, const QString& defaultSiteFolder, QString* error) {
    QString local = site.localPath();
    if (local.isEmpty())
        return defaultSiteFolder;
    if (!QDir::isAbsolutePath(local)) {
        if (error)
            *error = QCoreApplication::translate(
                         "Upload", "The local folder of site \"%1\" is not a full path: \"%2\".")
                         .arg(site.name(), local);
        return QString();
    }
    return local;
}

QString relativePath(const QString& siteFolder, const QString& path) {
    if (siteFolder.isEmpty() || path.size() <= siteFolder.size() + 1 ||
        !path.startsWith(siteFolder) || path.at(siteFolder.size()) != QLatin1Char('/'))
        return QString();
    return path.mid(siteFolder.size() + 1);
}

bool staysInside(const QString& siteFolder, const QString& path) {
    const QString folder = QFileInfo(siteFolder).canonicalFilePath();
    const QString real = QFileInfo(path).canonicalFilePath();
    return !folder.isEmpty() && !real.isEmpty() &&
           (folder == QLatin1String("/") ? real.size() > 1 : !relativePath(folder, real).isEmpty());
}

MarkdownPass convertMarkdown(const QStringList& marked, const QString& siteFolder, bool dryRun) {
    MarkdownPass pass;
    for (const QString& path : marked) {
        if (relativePath(siteFolder, path).isEmpty() || !markdown::isMarkdownPath(path) ||
            !QFileInfo(path).isFile() || !staysInside(siteFolder, path))
            continue;
        if (dryRun) {
            if (!markdown::mayReplaceTarget(path, &pass.error)) {
                pass.ok = false;
                pass.failedPath = path;
                return pass;
            }
            pass.htmlFiles.append(markdown::targetPath(path));
            continue;
        }
        QString html;
        if (!markdown::convertFile(path, &html, &pass.error, siteFolder)) {
            pass.ok = false;
            pass.failedPath = path;
            return pass;
        }
        pass.htmlFiles.append(html);
    }
    return pass;
}

Files collectFiles(const QStringList& marked, const QString& siteFolder,
                   const QStringList& alsoPresent) {
    QStringList paths = marked;
    const QSet<QString> known(marked.cbegin(), marked.cend());
    for (const QString& extra : alsoPresent)
        if (!known.contains(extra))
            paths.append(extra);
    // The record's order is sorted by path; keep the extra paths in that order too.
    if (!alsoPresent.isEmpty())
        paths.sort();
    const QSet<QString> assumed(alsoPresent.cbegin(), alsoPresent.cend());

    Files files;
    for (const QString& path : paths) {
        const QString rel = relativePath(siteFolder, path);
        if (rel.isEmpty())
            continue;
        if (assumed.contains(path)) {
            files.send.append(rel);
            continue;
        }
        if (!QFileInfo(path).isFile())
            continue;
        if (!staysInside(siteFolder, path)) {
            files.refused.append(
                {rel, QCoreApplication::translate("Upload", "a symbolic link leads it outside the "
                                                            "site folder")});
            continue;
        }
        if (ftppath::isTemporaryName(QFileInfo(rel).fileName())) {
            files.refused.append({rel, QCoreApplication::translate(
                                           "Upload", "its name has the form of the temporary "
                                                     "names uploads use; rename it")});
            continue;
        }
        files.send.append(rel);
    }
    return files;
}

QString confirmationText(const Site& site, const Files& files, const QString& heading) {
    QString text = heading + QStringLiteral("\n\n");
    for (const QString& f : files.send)
        text += QStringLiteral("\t%1\n").arg(f);
    // An absolute folder follows the server name directly ("host/var/www");
    // a relative one is named as what it is.
    const QString folder = site.serverFolder();
    text += QCoreApplication::translate("Upload", "\nto:\n\n\t") + site.server() +
            (folder.isEmpty() || folder.startsWith(QLatin1Char('/'))
                 ? folder
                 : QCoreApplication::translate("Upload", ", folder %1 inside the login folder")
                       .arg(folder));
    if (!files.refused.isEmpty()) {
        text += QCoreApplication::translate("Upload", "\n\nThese files will not be sent:\n\n");
        for (const Refusal& r : files.refused)
            text += QStringLiteral("\t%1 (%2)\n").arg(r.file, r.reason);
        text.chop(1);
    }
    return text;
}

QString confirmationText(const Site& site, const QStringList& files) {
    return confirmationText(
        site, Files{files, {}},
        QCoreApplication::translate("Upload", "Click OK to upload these files:"));
}

QStringList vanishedFiles(const QStringList& marked, const QString& siteFolder) {
    QStringList gone;
    for (const QString& path : marked)
        if (!relativePath(siteFolder, path).isEmpty() && !QFileInfo(path).isFile())
            gone.append(path);
    return gone;
}

} // namespace morvane::uploadplan
