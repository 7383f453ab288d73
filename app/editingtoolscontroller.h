// The Edit menu's web-page commands: Toggle Comment, Go to Line…, Go to
// Matching Bracket, Show Completions, and the Close Tags switch (a stored
// setting, on unless turned off). Every editor shown gets its typing helpers
// (closing tags, completion list, matching-bracket highlight).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QSettings;
class QWidget;

namespace morvane {

class EditingTools;
class MainWindow;
class OpenFilesController;

class EditingToolsController : public QObject {
    Q_OBJECT
public:
    EditingToolsController(MainWindow& window, OpenFilesController& files,
                           const QSettings& settings, QObject* parent = nullptr);

    static const char* closeTagsKey() { return "closeTags"; }
    bool closeTagsEnabled() const { return m_closeTags; }

    void actionToggleComment();
    // Asks for a line (or line:column) and goes there.
    void actionGoToLine();
    void actionGoToMatchingBracket();
    void actionShowCompletions();
    // Flips the Close Tags switch and stores it.
    void actionCloseTags();

    // The question Go to Line asks; tests answer it. Returns false when the
    // user cancels. `answer` comes in with the entry to show (the wrong one
    // when asking again).
    using LineAsker = std::function<bool(QWidget* parent, QString& answer)>;
    void setLineAsker(LineAsker asker) { m_askLine = std::move(asker); }

private:
    // The helpers of the editor shown, or nullptr.
    EditingTools* currentTools() const;
    void updateActions();

    MainWindow& m_window;
    OpenFilesController& m_files;
    bool m_closeTags = true;
    QPointer<QAction> m_toggleComment, m_goToLine, m_goToMatching, m_complete, m_closeTagsAction;
    LineAsker m_askLine;
};

} // namespace morvane
