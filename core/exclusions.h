// Names that never take part in an upload, a download, a comparison or a
// deletion: version-control and package folders, desktop litter, editor
// backups, this program's own temporary names, and the patterns of the
// site's "exclude" value (one a line).
//
// A pattern without "/" is matched against each name of a path ("*.bak"
// leaves out every such file in every folder); one ending in "/" matches
// folders only ("cache/"); one with "/" inside is matched from the site's
// top ("img/raw" leaves out that folder or file and all below it). "*" and
// "?" match within one name. Blank lines and lines starting with "#" are
// skipped.
#pragma once

#include "core/sitestore.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

namespace morvane {

namespace sitekey {
// The site's own exclusion patterns, one a line.
inline const QString exclude = QStringLiteral("exclude");
} // namespace sitekey

class Exclusions {
public:
    // The built-in names only.
    Exclusions();
    // The built-in names and `patterns`.
    explicit Exclusions(const QStringList& patterns);
    // The built-in names and the site's "exclude" patterns.
    static Exclusions forSite(const Site& site);

    static QStringList builtIn();
    // The patterns of an "exclude" value: one a line, trimmed, without blank
    // lines and comments.
    static QStringList parse(const QString& text);

    // Whether `relativePath` ("img/a.png", below the site's folder or the
    // server's) is left out: itself or one of the folders it lies in.
    // `isFolder` says whether the path itself names a folder.
    bool excludes(const QString& relativePath, bool isFolder = false) const;

private:
    struct Pattern {
        QRegularExpression re;
        bool folderOnly = false;
        bool anchored = false; // matched against the path from the top
    };
    void add(const QString& pattern);
    std::vector<Pattern> m_patterns;
};

} // namespace morvane
