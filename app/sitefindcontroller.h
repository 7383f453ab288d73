// Find and Replace in Site: the Edit ▸ Find menu's Find in Site… and
// Replace in Site… commands, the panel under the window, the search of the
// current site's folder (open files as their editors hold them), opening a
// result at its match, and Replace All in Site: open files change through
// their editors (one undo step each) and are saved, closed files are
// rewritten in their own encoding and line ends off the window's thread
// (with progress, and a Stop between two files), every changed file is
// marked for upload, and files that could not be changed are named.
#pragma once

#include "editor/sitereplace.h"
#include "editor/sitesearch.h"

#include <QObject>
#include <QPointer>

class QAction;
class QDockWidget;

namespace morvane {

class MainWindow;
class OpenFilesController;
class OutlineController;
class SitesController;
class SiteSearchPanel;
class UploadMarks;

class SiteFindController : public QObject {
    Q_OBJECT
public:
    SiteFindController(MainWindow& window, OpenFilesController& files, SitesController& sites,
                       OutlineController& outline, UploadMarks& marks, QObject* parent = nullptr);
    ~SiteFindController() override;

    void actionFindInSite();
    void actionReplaceInSite();

    SiteSearchPanel* panel() const;
    SiteSearch& search() { return m_search; }
    SiteReplace& replacing() { return m_replace; }
    // Stops the replacing that runs, else the search.
    void stop();
    // Starts a search with what the panel holds.
    void startSearch();
    // Asks, then replaces every match shown (searching first when the
    // results do not belong to the panel's search).
    void replaceAll();
    // Opens the file of a result and selects the match.
    void openResult(const QString& path, int line, int column, int length);

Q_SIGNALS:
    // Replace All in Site ended (for tests).
    void replaceFinished();

private:
    void showPanel(bool replace);
    void searchFinished(bool stopped, int files);
    void replaceNow();
    void filesReplaced(const QList<SiteReplaceOutcome>& files, int done, int total);
    void replaceEnded(bool stopped, int filesDone);
    QString replacingStatus() const;
    QString siteRoot() const;

    MainWindow& m_window;
    OpenFilesController& m_files;
    SitesController& m_sites;
    OutlineController& m_outline;
    UploadMarks& m_marks;
    QPointer<QDockWidget> m_dock;
    QPointer<SiteSearchPanel> m_panel;
    SiteSearch m_search;
    SiteReplace m_replace;
    QList<SiteFileResult> m_results;
    // What the shown results were searched for.
    QString m_searchedPattern;
    FindOptions m_searchedOptions;
    QString m_searchedRoot;
    bool m_resultsComplete = false;
    bool m_replaceAfterSearch = false;
    // The Replace All that runs: the files changed and left alone so far.
    QStringList m_replaceChanged;
    QStringList m_replaceSkipped;
    qsizetype m_replacedMatches = 0;
    int m_replaceTotal = 0; // closed files handed to the workers
};

} // namespace morvane
