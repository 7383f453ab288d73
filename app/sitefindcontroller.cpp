#include "app/sitefindcontroller.h"

#include "app/mainwindow.h"
#include "app/openfile.h"
#include "app/openfilescontroller.h"
#include "app/outlinecontroller.h"
#include "app/sitescontroller.h"
#include "core/platform.h"
#include "editor/documentsearch.h"
#include "editor/sitesearchpanel.h"
#include "editor/textview.h"
#include "tree/filesystemitem.h"
#include "upload/uploadmarks.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QMenu>
#include <QTextBlock>

namespace morvane {

SiteFindController::SiteFindController(MainWindow& window, OpenFilesController& files,
                                       SitesController& sites, OutlineController& outline,
                                       UploadMarks& marks, QObject* parent)
    : QObject(parent), m_window(window), m_files(files), m_sites(sites), m_outline(outline),
      m_marks(marks) {
    // The commands go into Edit ▸ Find, after Replace….
    QMenu* find = nullptr;
    for (QAction* a : m_window.menuEdit()->actions())
        if (a->menu() && a->menu()->actions().contains(m_window.actionReplace()))
            find = a->menu();
    if (find) {
        const QList<QAction*> items = find->actions();
        const qsizetype at = items.indexOf(m_window.actionReplace());
        QAction* before = at + 1 < items.size() ? items[at + 1] : nullptr;
        auto* inSite = new QAction(tr("Fin&d in Site\u2026"), find);
        inSite->setObjectName(QStringLiteral("actionFindInSite"));
        inSite->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
        auto* replaceInSite = new QAction(tr("Replace in S&ite\u2026"), find);
        replaceInSite->setObjectName(QStringLiteral("actionReplaceInSite"));
        replaceInSite->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
        find->insertAction(before, inSite);
        find->insertAction(before, replaceInSite);
        connect(inSite, &QAction::triggered, this, &SiteFindController::actionFindInSite);
        connect(replaceInSite, &QAction::triggered, this, &SiteFindController::actionReplaceInSite);
    }

    m_panel = new SiteSearchPanel;
    m_dock = new QDockWidget(tr("Find in Site"), &m_window);
    m_dock->setObjectName(QStringLiteral("siteSearchDock"));
    m_dock->setAccessibleName(tr("Find in Site"));
    m_dock->setWidget(m_panel);
    m_dock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea);
    m_window.addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    m_dock->hide();

    connect(m_panel, &SiteSearchPanel::searchRequested, this, &SiteFindController::startSearch);
    connect(m_panel, &SiteSearchPanel::stopRequested, this, &SiteFindController::stop);
    connect(m_panel, &SiteSearchPanel::replaceAllRequested, this, &SiteFindController::replaceAll);
    connect(m_panel, &SiteSearchPanel::resultChosen, this, &SiteFindController::openResult);
    connect(&m_search, &SiteSearch::found, this, [this](const QList<SiteFileResult>& files) {
        m_results += files;
        m_panel->addResults(files, m_searchedRoot);
    });
    connect(&m_search, &SiteSearch::progress, this, [this](int n) {
        m_panel->setStatus(tr("Searching\u2026 %1 files, %2 matches in %3 files")
                               .arg(n)
                               .arg(m_panel->matchCount())
                               .arg(m_panel->fileCount()));
    });
    connect(&m_search, &SiteSearch::finished, this, &SiteFindController::searchFinished);
    connect(&m_replace, &SiteReplace::filesDone, this, &SiteFindController::filesReplaced);
    connect(&m_replace, &SiteReplace::finished, this, &SiteFindController::replaceEnded);
}

SiteFindController::~SiteFindController() = default;

SiteSearchPanel* SiteFindController::panel() const {
    return m_panel;
}

QString SiteFindController::siteRoot() const {
    return m_sites.siteFolderLocal();
}

void SiteFindController::showPanel(bool replace) {
    m_panel->setReplaceMode(replace);
    m_dock->show();
    m_dock->raise();
    m_panel->focusSearch();
}

void SiteFindController::actionFindInSite() {
    showPanel(false);
}

void SiteFindController::actionReplaceInSite() {
    showPanel(true);
}

void SiteFindController::startSearch() {
    if (m_replace.isRunning())
        return;
    SiteSearchRequest request;
    request.root = siteRoot();
    request.pattern = m_panel->pattern();
    request.options = m_panel->options();
    // Open files are searched as their editors hold them.
    for (const auto& file : m_files.openFiles())
        if (file->editor && file->load == FileLoad::Text)
            request.openTexts.insert(file->path(), file->editor->textForSaving());
    m_results.clear();
    m_panel->clearResults();
    m_resultsComplete = false;
    if (request.root.isEmpty() || !m_search.start(request)) {
        const Finder finder(request.pattern, request.options);
        m_panel->setStatus(request.pattern.isEmpty() ? tr("Type what to find.")
                                                     : finder.errorString());
        m_replaceAfterSearch = false;
        return;
    }
    m_searchedPattern = request.pattern;
    m_searchedOptions = request.options;
    m_searchedRoot = request.root;
    m_panel->setRunning(true);
    m_panel->setStatus(tr("Searching\u2026"));
}

void SiteFindController::searchFinished(bool stopped, int files) {
    m_panel->setRunning(false);
    m_resultsComplete = !stopped;
    const QString summary = tr("%1 matches in %2 files (%3 files searched)")
                                .arg(m_panel->matchCount())
                                .arg(m_panel->fileCount())
                                .arg(files);
    m_panel->setStatus(stopped ? tr("Stopped: %1").arg(summary) : summary);
    if (m_replaceAfterSearch) {
        m_replaceAfterSearch = false;
        if (!stopped)
            replaceNow();
    }
}

void SiteFindController::replaceAll() {
    if (m_search.isRunning() || m_replace.isRunning())
        return;
    if (!m_resultsComplete || m_searchedPattern != m_panel->pattern() ||
        m_searchedOptions != m_panel->options() || m_searchedRoot != siteRoot()) {
        m_replaceAfterSearch = true;
        startSearch();
        return;
    }
    replaceNow();
}

void SiteFindController::replaceNow() {
    const Finder finder(m_searchedPattern, m_searchedOptions);
    qsizetype matches = 0;
    for (const SiteFileResult& f : std::as_const(m_results))
        matches += f.matches.size();
    if (matches == 0 || !finder.isUsable())
        return;
    const int answer = Platform::instance().question(
        tr("Replace %1 matches in %2 files?").arg(matches).arg(m_results.size()),
        tr("Open files change as if typed (Undo takes a file's change back); the others are "
           "written now. Every changed file is marked for upload."),
        {tr("Cancel"), tr("Replace")}, 1);
    if (answer != 1)
        return;
    const QString replacement = m_panel->replacement();
    m_replaceSkipped.clear();
    m_replaceChanged.clear();
    m_replacedMatches = 0;
    m_replaceTotal = 0;
    m_resultsComplete = false;
    // Open files change through their documents here, on the window's
    // thread (one undo step each); the others are rewritten by workers.
    QList<SiteReplaceFile> closed;
    for (const SiteFileResult& f : std::as_const(m_results)) {
        OpenFile* open = m_files.findByPath(f.path);
        const QString name = QDir(m_searchedRoot).relativeFilePath(f.path);
        if (open && open->editor && open->load == FileLoad::Text) {
            if (open->editor->isReadOnly()) {
                m_replaceSkipped << tr("%1 (read-only)").arg(name);
                continue;
            }
            DocumentSearch doc(open->editor->document());
            const qsizetype n = doc.replaceAll(finder, replacement);
            if (n > 0) {
                if (m_files.writeAndMark(open)) {
                    m_replaceChanged << name;
                    m_replacedMatches += n;
                } else {
                    m_replaceSkipped << tr("%1 (could not be saved)").arg(name);
                }
            }
            continue;
        }
        if (f.fromEditor)
            continue; // closed since the search: its text then is not the disk's
        closed.append({f.path, f.stamp});
    }
    m_replaceTotal = int(closed.size());
    if (closed.isEmpty() ||
        !m_replace.start(closed, m_searchedPattern, m_searchedOptions, replacement)) {
        replaceEnded(false, 0);
        return;
    }
    m_panel->setRunning(true, SiteSearchPanel::Work::Replacing);
    m_panel->setProgress(0, m_replaceTotal);
    m_panel->setStatus(replacingStatus());
}

void SiteFindController::filesReplaced(const QList<SiteReplaceOutcome>& files, int done,
                                       int total) {
    QStringList written;
    for (const SiteReplaceOutcome& o : files) {
        const ReplaceFileResult& r = o.result;
        const QString name = QDir(m_searchedRoot).relativeFilePath(o.path);
        switch (r.status) {
        case ReplaceFileStatus::Replaced:
            written << o.path;
            m_replaceChanged << name;
            m_replacedMatches += r.count;
            break;
        case ReplaceFileStatus::NoMatch:
            break;
        case ReplaceFileStatus::ChangedOnDisk:
            m_replaceSkipped << tr("%1 (changed on disk since the search)").arg(name);
            break;
        case ReplaceFileStatus::ReadOnly:
            m_replaceSkipped << tr("%1 (read-only)").arg(name);
            break;
        case ReplaceFileStatus::Unencodable:
            m_replaceSkipped << tr("%1 (the new text does not fit its encoding)").arg(name);
            break;
        case ReplaceFileStatus::Unreadable:
        case ReplaceFileStatus::WriteFailed:
            m_replaceSkipped << tr("%1 (%2)").arg(name, r.error);
            break;
        }
    }
    // The files written since the last report share one write of the
    // record (each mark on its own would rewrite it).
    if (!written.isEmpty())
        m_marks.markAll(written);
    m_panel->setProgress(done, total);
    m_panel->setStatus(replacingStatus());
}

QString SiteFindController::replacingStatus() const {
    return tr("Replacing\u2026 %1 matches in %2 files so far")
        .arg(m_replacedMatches)
        .arg(m_replaceChanged.size());
}

void SiteFindController::replaceEnded(bool stopped, int filesDone) {
    m_panel->setRunning(false);
    // The results showed the text before the replace; kept, they would offer
    // lines that are no longer in the files.
    m_results.clear();
    m_panel->clearResults();
    m_resultsComplete = false;
    const int changed = int(m_replaceChanged.size());
    const QString summary =
        tr("Replaced %1 matches in %2 files.").arg(m_replacedMatches).arg(changed);
    m_panel->setStatus(stopped ? tr("Stopped: %1").arg(summary) : summary);
    m_replaceSkipped.sort();
    if (stopped) {
        // What was written stays written: the user is told which files.
        m_replaceChanged.sort();
        QStringList lines;
        lines << tr("Changed (%1 files):").arg(changed) << m_replaceChanged;
        if (!m_replaceSkipped.isEmpty())
            lines << QString() << tr("Not changed:") << m_replaceSkipped;
        lines << QString()
              << tr("%1 files were left as they were.").arg(m_replaceTotal - filesDone);
        Platform::instance().alert(tr("Replacing was stopped."), lines.join(u'\n'));
    } else if (!m_replaceSkipped.isEmpty()) {
        Platform::instance().alert(tr("Some files were not changed."),
                                   m_replaceSkipped.join(u'\n'));
    }
    Q_EMIT replaceFinished();
}

void SiteFindController::stop() {
    if (m_replace.isRunning())
        m_replace.stop();
    else
        m_search.stop();
}

void SiteFindController::openResult(const QString& path, int line, int column, int length) {
    const QString root = siteRoot();
    const QString relative = QDir(root).relativeFilePath(path);
    if (relative.startsWith(QLatin1String("..")))
        return;
    QStringList components{QDir(root).dirName()};
    components += relative.split(u'/', Qt::SkipEmptyParts);
    m_outline.expandPath(FileSystemItem::rootItem(), components, 1,
                         OutlineController::PathEnd::Select);
    OpenFile* file = m_files.currentFile();
    TextView* view = m_files.currentTextView();
    if (!file || file->path() != path || !view)
        return;
    const QTextBlock block = view->document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    QTextCursor c(block);
    const int at = block.position() + std::clamp(column - 1, 0, block.length() - 1);
    c.setPosition(at);
    c.setPosition(std::min(at + std::max(0, length), block.position() + block.length() - 1),
                  QTextCursor::KeepAnchor);
    view->setTextCursor(c);
    view->centerCursor();
    view->setFocus();
}

} // namespace morvane
