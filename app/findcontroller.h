// The Edit menu's find commands and the find bar: finding the next or
// previous match in the current file's editor (wrapping around), the count
// of matches (on a thread of its own, up to "10,000+", so that typing in
// the bar never waits for a large file), the matches in view highlighted,
// and replacing one or all matches as edits of the file (saved and marked
// for upload like typing).
#pragma once

#include "editor/findengine.h"
#include "editor/matchcounter.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <vector>

namespace morvane {

class DocumentSearch;
class FindBar;
class MainWindow;
class OpenFilesController;
class TextView;

class FindController : public QObject {
    Q_OBJECT
public:
    FindController(MainWindow& window, OpenFilesController& openFiles, QObject* parent = nullptr);

    // Commands.
    void actionFind();
    void actionReplace();
    void findNext();
    void findPrevious();
    void replace();
    void replaceAll();
    void useSelectionForFind();
    // Hides the bar and gives the focus back to the text.
    void closeBar();

    // The bar's result line (for tests and accessibility).
    QString status() const;
    // The matches highlighted in the current editor, as (start, length).
    std::vector<TextMatch> highlighted() const { return m_highlighted; }
    // Starts counting the matches now, rather than after the short wait
    // that follows an edit of the text.
    void countNow();
    // A count is due or running, and its result is not shown yet.
    bool isCounting() const;

private:
    TextView* view() const;
    DocumentSearch* searchFor(TextView* view);
    void queryChanged();
    void find(bool backward);
    void showResult(const TextMatch& match, bool wrapped);
    void watchEditor();
    void updateActions();
    void scheduleHighlights();
    void updateHighlights();
    void clearHighlights();
    // Forgets the count (the text or the search changed): a count on its way
    // is dropped and a count on the result line is taken away.
    void invalidateCount();
    void counted(const MatchCounter::Count& count);
    void showCount();
    // The result line: a count, or anything else.
    void showStatus(const QString& text, bool error = false);
    void showCountStatus(const QString& text);
    // Writes the file when the text was changed from the bar, where the
    // editor does not have the focus and would not save it itself.
    void saveAfterReplace();

    MainWindow& m_window;
    OpenFilesController& m_openFiles;
    FindBar* m_bar;
    Finder m_finder;
    QPointer<TextView> m_watched;
    QTimer m_highlightTimer;
    QTimer m_countTimer; // a short wait after an edit of the text
    QTimer m_countingNote;
    MatchCounter m_counter;
    bool m_countValid = false;
    MatchCounter::Count m_count; // of the whole text, while m_countValid
    bool m_statusIsCount = false;
    std::vector<TextMatch> m_highlighted;
    QString m_lastResult; // "3 of 17" kept for the count to refresh
    qsizetype m_lastStart = -1;
    bool m_lastWrapped = false;
};

} // namespace morvane
