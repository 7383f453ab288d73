// The list of sites and the current site, as kept in the settings store.
// A site is a dictionary of strings; the seven keys below are the ones the
// program writes, and unknown keys found in the store are kept as they are.
#pragma once

#include <QList>
#include <QMap>
#include <QString>

class QSettings;

namespace morvane {

namespace sitekey {
inline const QString sitename = QStringLiteral("sitename");
inline const QString localpath = QStringLiteral("localpath");
inline const QString localURL = QStringLiteral("localURL");
inline const QString server = QStringLiteral("server");
inline const QString username = QStringLiteral("username");
inline const QString password = QStringLiteral("password");
inline const QString serverfolder = QStringLiteral("serverfolder");
} // namespace sitekey

class Site {
public:
    Site() = default;
    explicit Site(QMap<QString, QString> values) : m_values(std::move(values)) {}

    // A missing key reads as an empty value.
    QString value(const QString& key) const { return m_values.value(key); }
    void setValue(const QString& key, const QString& v) { m_values.insert(key, v); }
    void remove(const QString& key) { m_values.remove(key); }
    const QMap<QString, QString>& values() const { return m_values; }

    QString name() const { return value(sitekey::sitename); }
    // What the site is shown as: its name, or a placeholder for an entry
    // whose name is missing or empty (kept so that it is not lost).
    QString title() const { return name().isEmpty() ? unnamedTitle() : name(); }
    static QString unnamedTitle() { return QStringLiteral("(unnamed site)"); }
    QString localPath() const { return value(sitekey::localpath); }
    QString localURL() const { return value(sitekey::localURL); }
    QString server() const { return value(sitekey::server); }
    QString userName() const { return value(sitekey::username); }
    QString password() const { return value(sitekey::password); }
    QString serverFolder() const { return value(sitekey::serverfolder); }

    bool operator==(const Site& other) const { return m_values == other.m_values; }

private:
    QMap<QString, QString> m_values;
};

using SiteList = QList<Site>;

namespace sitestore {

// Reads the `sites` array. Entries that are not groups of strings are
// skipped; an entry without a name is kept; a `sites` key of any other shape reads as an empty
// list. `present` tells whether the store had a `sites` key at all.
SiteList load(QSettings& settings, bool* present = nullptr);
// Replaces the stored `sites` array with the list, in list order.
void save(QSettings& settings, const SiteList& sites);

// The first site whose name matches exactly, or nullptr. The placeholder
// title finds the first unnamed site when no site has it as its name; an
// empty name finds nothing.
const Site* find(const SiteList& sites, const QString& name);
Site* find(SiteList& sites, const QString& name);

// Sorts by name, plain case-sensitive comparison, keeping equal names in order.
void sortByName(SiteList& sites);

// The stored current site name; empty when none is stored or it is not a string.
QString currentSiteName(QSettings& settings);
// Stores the name, or removes the key when the name is empty.
void setCurrentSiteName(QSettings& settings, const QString& name);

} // namespace sitestore

} // namespace morvane
