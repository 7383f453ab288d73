// The Find in Site panel: the search and replacement fields with the find
// bar's switches, Find, Stop and Replace All, the progress line, and the
// results grouped by file, each line with its match highlighted. It only
// shows; the site find controller runs the searches and the replacing.
#pragma once

#include "editor/findengine.h"
#include "editor/sitesearch.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace morvane {

class SiteSearchPanel : public QWidget {
    Q_OBJECT
public:
    explicit SiteSearchPanel(QWidget* parent = nullptr);

    // Shows or hides the replacement field and Replace All.
    void setReplaceMode(bool on);
    // Puts the focus in the search field with its text selected.
    void focusSearch();

    QString pattern() const;
    QString replacement() const;
    FindOptions options() const;

    void clearResults();
    // Adds files with matches; `root` is cut from their paths for display.
    void addResults(const QList<SiteFileResult>& files, const QString& root);
    // The results shown: files and matches.
    int fileCount() const;
    int matchCount() const { return m_matches; }
    void setStatus(const QString& text);
    QString status() const;
    // What runs while Stop is enabled: the Stop button and the progress bar
    // say which.
    enum class Work { Searching, Replacing };
    void setRunning(bool running, Work work = Work::Searching);
    // The replacing's progress bar: files done of all.
    void setProgress(int done, int total);
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* stopButton() const { return m_stop; }

    QLineEdit* searchField() const { return m_find; }
    QLineEdit* replaceField() const { return m_replace; }
    QTreeWidget* results() const { return m_results; }
    QPushButton* replaceAllButton() const { return m_replaceAll; }

Q_SIGNALS:
    void searchRequested();
    void stopRequested();
    void replaceAllRequested();
    // The user chose a result: open the file at the match.
    void resultChosen(const QString& path, int line, int column, int length);

private:
    void choose(QTreeWidgetItem* item);

    QLineEdit* m_find;
    QLineEdit* m_replace;
    QLabel* m_replaceLabel;
    QCheckBox* m_case;
    QCheckBox* m_words;
    QCheckBox* m_regex;
    QPushButton* m_search;
    QPushButton* m_stop;
    QPushButton* m_replaceAll;
    QLabel* m_status;
    QProgressBar* m_progress;
    QTreeWidget* m_results;
    int m_matches = 0;
};

} // namespace morvane
