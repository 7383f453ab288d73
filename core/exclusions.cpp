#include "core/exclusions.h"

namespace morvane {

Exclusions::Exclusions() {
    for (const QString& p : builtIn())
        add(p);
}

Exclusions::Exclusions(const QStringList& patterns) : Exclusions() {
    for (const QString& p : patterns)
        add(p);
}

Exclusions Exclusions::forSite(const Site& site) {
    return Exclusions(parse(site.value(sitekey::exclude)));
}

QStringList Exclusions::builtIn() {
    return {QStringLiteral(".git/"),
            QStringLiteral(".svn/"),
            QStringLiteral(".hg/"),
            QStringLiteral("node_modules/"),
            QStringLiteral(".DS_Store"),
            QStringLiteral("Thumbs.db"),
            QStringLiteral("*~"),
            QStringLiteral(".*.swp"),
            QStringLiteral(".*.morvane-upload")};
}

QStringList Exclusions::parse(const QString& text) {
    QStringList out;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            out << line;
    }
    return out;
}

void Exclusions::add(const QString& text) {
    QString pattern = text.trimmed();
    Pattern p;
    if (pattern.endsWith(QLatin1Char('/'))) {
        p.folderOnly = true;
        pattern.chop(1);
    }
    if (pattern.startsWith(QLatin1Char('/'))) {
        p.anchored = true;
        pattern.remove(0, 1);
    }
    if (pattern.contains(QLatin1Char('/')))
        p.anchored = true;
    if (pattern.isEmpty())
        return;
    // "*" and "?" stop at "/": a pattern matches names, or paths name by name.
    p.re = QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern));
    if (p.re.isValid())
        m_patterns.push_back(std::move(p));
}

bool Exclusions::excludes(const QString& relativePath, bool isFolder) const {
    const QStringList names = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const bool folder = isFolder || i + 1 < names.size();
        prefix += (i > 0 ? QStringLiteral("/") : QString()) + names[i];
        for (const Pattern& p : m_patterns) {
            if (p.folderOnly && !folder)
                continue;
            if (p.re.match(p.anchored ? prefix : names[i]).hasMatch())
                return true;
        }
    }
    return false;
}

} // namespace morvane
