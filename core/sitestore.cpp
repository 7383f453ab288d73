#include "core/sitestore.h"

#include <QFile>
#include <QSettings>

#include <algorithm>

namespace morvane::sitestore {

namespace {
// The store holds the sites' accounts, and passwords where no keyring
// keeps them: it is the user's alone. (QSettings replaces the file whole
// and keeps the permissions it had.)
void restrictToOwner(QSettings& settings) {
    const QString file = settings.fileName();
    if (settings.format() == QSettings::NativeFormat || settings.format() == QSettings::IniFormat)
        if (QFile::exists(file))
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

const QString kSites = QStringLiteral("sites");
const QString kCurrentSite = QStringLiteral("currentsite");
// A bound on array indices read from the store, so that a stray huge size
// does not make us walk millions of empty entries.
constexpr int kMaxSites = 100000;

bool isStringLike(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}
} // namespace

SiteList load(QSettings& settings, bool* present) {
    SiteList sites;
    const bool hasGroup = settings.childGroups().contains(kSites);
    const bool hasValue = settings.contains(kSites);
    if (present)
        *present = hasGroup || hasValue;
    if (!hasGroup)
        return sites; // missing, or a plain value where a list belongs

    // The array's size may be missing or wrong in a file edited by hand; the
    // numbered entries that are there count too, so that the next save of
    // the list does not drop them.
    settings.beginGroup(kSites);
    int n = 0;
    for (const QString& group : settings.childGroups()) {
        bool ok = false;
        const int index = group.toInt(&ok);
        if (ok && index > n && index <= kMaxSites)
            n = index;
    }
    settings.endGroup();
    n = std::max(n, std::min(settings.beginReadArray(kSites), kMaxSites));
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        QMap<QString, QString> values;
        for (const QString& key : settings.childKeys()) {
            const QVariant v = settings.value(key);
            if (isStringLike(v))
                values.insert(key, v.toString());
        }
        // An entry without a name is kept (shown under a placeholder title
        // until the user names it): dropping it here would erase it from
        // the file at the next save. Only an entry with nothing in it is
        // left out; there is nothing of it to keep.
        if (!values.isEmpty())
            sites.append(Site(std::move(values)));
    }
    settings.endArray();
    return sites;
}

void save(QSettings& settings, const SiteList& sites) {
    settings.remove(kSites);
    settings.beginWriteArray(kSites, int(sites.size()));
    for (int i = 0; i < sites.size(); ++i) {
        settings.setArrayIndex(i);
        const auto& values = sites[i].values();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }
    settings.endArray();
    settings.sync();
    restrictToOwner(settings);
}

const Site* find(const SiteList& sites, const QString& name) {
    if (name.isEmpty())
        return nullptr;
    for (const Site& s : sites)
        if (s.name() == name)
            return &s;
    // The placeholder title reaches the first unnamed site, unless a site
    // really carries that name (found above).
    if (name == Site::unnamedTitle()) {
        for (const Site& s : sites)
            if (s.name().isEmpty())
                return &s;
    }
    return nullptr;
}

Site* find(SiteList& sites, const QString& name) {
    return const_cast<Site*>(find(std::as_const(sites), name));
}

void sortByName(SiteList& sites) {
    std::stable_sort(sites.begin(), sites.end(),
                     [](const Site& a, const Site& b) { return a.name() < b.name(); });
}

QString currentSiteName(QSettings& settings) {
    const QVariant v = settings.value(kCurrentSite);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

void setCurrentSiteName(QSettings& settings, const QString& name) {
    if (name.isEmpty())
        settings.remove(kCurrentSite);
    else
        settings.setValue(kCurrentSite, name);
    settings.sync();
    restrictToOwner(settings);
}

} // namespace morvane::sitestore
