// The record of files changed since their last upload: a map from a file's
// full local path to "1", one for all sites, kept in an XML property list
// ("NeedingUpload.dict") that is rewritten whole and atomically on every
// change.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace morvane {

class NeedingUploadRecord {
public:
    enum class LoadResult {
        Missing,   // no file yet: an empty record
        Loaded,    // read (an empty file counts as an empty record)
        SetAside,  // unreadable; moved aside to "<file>.corrupt", record starts empty
        Unreadable // unreadable and could not be moved aside; it will not be overwritten
    };

    NeedingUploadRecord() = default;
    explicit NeedingUploadRecord(const QString& filePath) : m_filePath(filePath) {}

    QString filePath() const { return m_filePath; }
    void setFilePath(const QString& path) { m_filePath = path; }

    // Reads the record from filePath(). A file that is not a property list
    // whose root is a dictionary is moved aside (never silently replaced) and
    // the record starts empty; `setAsidePath` receives where it went.
    LoadResult load(QString* setAsidePath = nullptr);

    // Writes the whole record atomically. Returns false (with the system's
    // description in `error`) when the write failed; the in-memory map is
    // unchanged either way. Refuses to overwrite a file that load() found
    // unreadable and could not move aside.
    bool save(QString* error = nullptr) const;

    bool contains(const QString& path) const { return m_entries.contains(path); }
    void mark(const QString& path) { m_entries.insert(path, QStringLiteral("1")); }
    bool unmark(const QString& path) { return m_entries.remove(path) > 0; }
    void removePaths(const QStringList& paths);
    QStringList paths() const { return m_entries.keys(); }
    int size() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    void clear() { m_entries.clear(); }

    // The property-list text of a map, and its reverse. parse() returns false
    // for anything that is not a property list whose root is a dictionary.
    static QByteArray serialize(const QMap<QString, QString>& entries);
    static bool parse(const QByteArray& bytes, QMap<QString, QString>* entries);

private:
    QString m_filePath;
    QMap<QString, QString> m_entries;
    bool m_protectFile = false; // an unreadable file we could not move aside
};

} // namespace morvane
