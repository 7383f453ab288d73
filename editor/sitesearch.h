// Find in Site without a window: searching every text file of a site folder
// off the window's thread (binary files, files over the size limit and the
// excluded folders are passed over), a walk of the folders and a few
// workers reading and searching the files, the results handed back grouped
// by file in the walk's order while the search goes on.
#pragma once

#include "core/filekind.h"
#include "editor/findengine.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>

namespace morvane {

struct SiteMatch {
    int line = 0;   // from 1
    int column = 0; // from 1, in characters
    qsizetype start = 0;
    qsizetype length = 0;
    QString lineText; // the line holding the match's start (cut when very long)
};

struct SiteFileResult {
    QString path;
    QList<SiteMatch> matches;
    FileStamp stamp; // of the file as searched (not set for open files' text)
    bool fromEditor = false;
};

struct SiteSearchRequest {
    QString root;
    QString pattern;
    FindOptions options;
    std::int64_t sizeLimit = 16 * kMegabyte;
    // Folder names passed over wherever they stand.
    QStringList excludedFolders = defaultExcludedFolders();
    // The text of open files with their unsaved edits, by path: searched
    // instead of the disk's version.
    QHash<QString, QString> openTexts;

    static QStringList defaultExcludedFolders();
};

// The matches of `finder` in `text`, with their lines.
QList<SiteMatch> siteMatchesIn(const Finder& finder, QStringView text);

class SiteSearch : public QObject {
    Q_OBJECT
public:
    explicit SiteSearch(QObject* parent = nullptr);
    ~SiteSearch() override;

    // Starts a search (stopping one that runs). False, with nothing started,
    // when the pattern cannot be searched for (see Finder::errorString).
    bool start(const SiteSearchRequest& request);
    // Asks the search to stop; finished() follows.
    void stop();
    bool isRunning() const { return m_running; }
    // Called through this object's event queue when the search's thread
    // is done: emits finished().
    void searchEnded(bool stopped, int filesSearched);

Q_SIGNALS:
    // Files with matches, in the order they were searched.
    void found(const QList<SiteFileResult>& files);
    // How many files have been looked at so far.
    void progress(int filesSearched);
    void finished(bool stopped, int filesSearched);

private:
    void join();

    std::thread m_thread;
    std::shared_ptr<std::atomic<bool>> m_stop;
    bool m_running = false;
    int m_generation = 0;
};

} // namespace morvane
