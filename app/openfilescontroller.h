// The files opened in the current site: reading a file into its editor,
// showing it in the editor or preview tab, the open-files pop-up, and saving
// an edited file when its editor loses the focus or on the Save command.
#pragma once

#include "app/openfile.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace morvane {

class MainWindow;
class PrefsController;
class TextView;
class UploadMarks;

class OpenFilesController : public QObject {
    Q_OBJECT
public:
    OpenFilesController(MainWindow* window, const PrefsController* prefs, UploadMarks* marks,
                        QObject* parent = nullptr);
    ~OpenFilesController() override;

    // Called with each new editor, to attach per-editor services (colouring).
    void setEditorFactoryHook(std::function<void(TextView*, const QString& path)> hook) {
        m_editorHook = std::move(hook);
    }

    const std::vector<std::unique_ptr<OpenFile>>& openFiles() const { return m_openFiles; }
    OpenFile* currentFile() const { return m_current; }
    TextView* currentTextView() const;

    // Opens the file of a tree node (or shows it again if it is open).
    void openItem(FileSystemItem* item);
    // The open file with this path, or nullptr.
    OpenFile* findByPath(const QString& path) const;

    bool readFileIntoTextView(OpenFile* file);
    void showOpenFile(OpenFile* file);
    void showCurrentFile(OpenFile* file);
    void setOpenFilePopup();

    // IfEdited saves the current file when it has unsaved edits; Always
    // (the Save command) also marks it for upload when it is unchanged.
    enum class SaveMode { IfEdited, Always };
    void save(SaveMode mode);

    // Forgets every open file (a change of site) and empties the pane.
    void closeAll();
    // Drops the open files whose path is, or lies below, `path` (deleted).
    void forgetPath(const QString& path);

    // The editor/preview tab switch.
    void tabChanged(int index);

Q_SIGNALS:
    // The user chose a file in the open-files pop-up; the coordinator selects
    // its row in the outline.
    void popupChoseFile(OpenFile* file);

private:
    TextView* createEditor(OpenFile* file);
    void previewFile(OpenFile* file);
    void popupActivated(int index);

    MainWindow* m_window;
    const PrefsController* m_prefs;
    UploadMarks* m_marks;
    std::function<void(TextView*, const QString&)> m_editorHook;
    std::vector<std::unique_ptr<OpenFile>> m_openFiles;
    OpenFile* m_current = nullptr;
    bool m_showing = false;
    bool m_saving = false;
};

} // namespace morvane
