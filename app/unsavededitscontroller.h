// Shows which open files hold edits that are not on disk yet: a "•" before
// the file's name in the open-files pop-up and in the window title, and the
// same in words in what a screen reader reads (the pop-up's entry and the
// editor's name).
#pragma once

#include <QObject>
#include <QString>

namespace morvane {

class MainWindow;
class OpenFilesController;
struct OpenFile;

class UnsavedEditsController : public QObject {
    Q_OBJECT
public:
    UnsavedEditsController(MainWindow& window, OpenFilesController& openFiles,
                           QObject* parent = nullptr);

    // Whether the file's editor holds edits that are not on disk.
    static bool hasUnsavedEdits(const OpenFile& file);
    // "• a.html" for a file with unsaved edits, else "a.html".
    static QString markedName(const QString& name, bool unsaved);

    // Brings the pop-up's entries, the window title and the editors' names
    // in line with the open files.
    void refresh();

private:
    void labelRows(int first, int last);

    MainWindow& m_window;
    OpenFilesController& m_openFiles;
};

} // namespace morvane
