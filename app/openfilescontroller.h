// The files opened in the current site: reading a file into its editor (or,
// for a file that is not text or could not be read, a read-only notice),
// showing it in the editor or preview tab, the open-files pop-up, saving an
// edited file when its editor loses the focus or on the Save command, and
// closing a file.
#pragma once

#include "app/openfile.h"

#include <QObject>

#include <memory>
#include <vector>

namespace morvane {

class MainWindow;
class Preferences;
class TextView;
struct TextFileContents;

class OpenFilesController : public QObject {
    Q_OBJECT
public:
    OpenFilesController(MainWindow* window, const Preferences* prefs, QObject* parent = nullptr);
    ~OpenFilesController() override;

    const std::vector<std::unique_ptr<OpenFile>>& openFiles() const { return m_openFiles; }
    OpenFile* currentFile() const { return m_current; }
    TextView* currentTextView() const;

    // Opens the file of a tree node (or shows it again if it is open).
    void openItem(FileSystemItem* item);
    // The open file with this path, or nullptr.
    OpenFile* findByPath(const QString& path) const;

    // Brings an open file in line with the disk: a file not yet in an editor
    // is read (again); an editor without unsaved edits takes the disk's text;
    // edits are never replaced (see TextDocument::checkDisk). Returns whether the
    // file is in an editor.
    bool readFileIntoTextView(OpenFile* file);
    void showOpenFile(OpenFile* file);
    void showCurrentFile(OpenFile* file);
    void setOpenFilePopup();

    // IfEdited saves the current file when it has unsaved edits; Always
    // (the Save command) also marks it for upload when it is unchanged.
    enum class SaveMode { IfEdited, Always };
    void save(SaveMode mode);
    // Writes the file's editor text to its path and marks it for upload.
    // Returns false (after telling the user) when nothing could be written.
    bool writeAndMark(OpenFile* file);

    // Reads the file again (in `encoding` when given) into its editor,
    // keeping the caret and scroll position as far as the new text allows;
    // a file that could not be read until now gets its editor. Nothing
    // changes when the read fails; the result says why.
    TextFileContents readAgain(OpenFile* file, const QString& encoding = QString());

    // The Close command: saves the current file, then takes it out of the
    // open files and shows the next one. A file whose edits could not be
    // written stays open.
    void closeCurrent();
    // Takes a file out of the open files (its edits are dropped).
    void closeFile(OpenFile* file);

    // Forgets every open file (a change of site) and empties the pane.
    void closeAll();
    // Drops the open files whose path is, or lies below, `path` (deleted).
    void forgetPath(const QString& path);
    // Writes every open file at or below `path` that holds unsaved edits.
    // False when one of them still holds edits that are not on disk (its
    // write failed, or another program's version waits for the user's
    // choice).
    bool saveBelow(const QString& path);
    // A file or folder was renamed from `oldPath`: the open files at or
    // below it keep their editors, undo history and unsaved edits, and now
    // go by their new paths and names.
    void pathRenamed(const QString& oldPath, const QString& newPath);

    // The editor/preview tab switch.
    void tabChanged(int index);

Q_SIGNALS:
    // A new editor shows an open file (per-editor services attach here).
    void editorCreated(TextView* view, const QString& path);
    // An open file is to be shown in the Preview tab.
    void previewRequested(OpenFile* file);
    // The file's text holds a character its encoding cannot hold: a
    // listener may change the text or its encoding before the write is
    // tried once more.
    void cannotEncode(OpenFile* file);
    // The file at `path` was saved (written, or confirmed unchanged by the
    // Save command): its version on disk is the one to upload.
    void saved(const QString& path);
    // The file's state on disk changed (changed by another program, gone,
    // back in step).
    void diskStateChanged(OpenFile* file);
    // The user chose a file in the open-files pop-up; the coordinator selects
    // its row in the outline.
    void popupChoseFile(OpenFile* file);
    // A file was shown in the document pane (or none, with nullptr).
    void fileShown(OpenFile* file);
    // A file's text was read into its editor (first read or again).
    void fileLoaded(OpenFile* file);
    // The file's version on disk is now the one the editor holds.
    void fileWritten(OpenFile* file);
    // A file is about to leave the open files.
    void fileClosing(OpenFile* file);
    // An open file now lives at another path (a rename in the outline).
    void fileMoved(OpenFile* file, const QString& oldPath);

private:
    TextView* createEditor(OpenFile* file);
    // Gives the file a new document (nothing read yet), keeping whether a
    // large file may be read.
    void newDocument(OpenFile* file);
    // The file's editor goes, and the document it shows goes with it.
    void retireEditor(OpenFile* file);
    // Reads the file into an editor, or shows why it cannot be. A file above
    // the size limit is read only after the user agreed, asked when
    // `askAboutSize`.
    bool loadFile(OpenFile* file, bool askAboutSize);
    bool writeText(OpenFile* file, QString* error);
    void showNotice(OpenFile* file, const QString& title, const QString& detail, bool canRetry);
    void dropEditorAndNotice(OpenFile* file);
    void popupActivated(int index);
    void showNothing();

    MainWindow* m_window;
    const Preferences* m_prefs;
    std::vector<std::unique_ptr<OpenFile>> m_openFiles;
    OpenFile* m_current = nullptr;
    bool m_showing = false;
    bool m_saving = false;
};

} // namespace morvane
