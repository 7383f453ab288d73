#include "app/unsavededitscontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "editor/textview.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QTextDocument>

#include <algorithm>

namespace morvane {

UnsavedEditsController::UnsavedEditsController(MainWindow& window, OpenFilesController& openFiles,
                                               QObject* parent)
    : QObject(parent), m_window(window), m_openFiles(openFiles) {
    connect(&m_openFiles, &OpenFilesController::fileLoaded, this, [this](OpenFile* file) {
        if (file->editor)
            connect(file->editor->document(), &QTextDocument::modificationChanged, this,
                    &UnsavedEditsController::refresh, Qt::UniqueConnection);
        refresh();
    });
    connect(&m_openFiles, &OpenFilesController::fileShown, this, &UnsavedEditsController::refresh);
    connect(&m_openFiles, &OpenFilesController::fileMoved, this, &UnsavedEditsController::refresh);
    connect(&m_openFiles, &OpenFilesController::fileWritten, this,
            &UnsavedEditsController::refresh);
    // The pop-up is filled afresh as files open, close and are renamed: each
    // new entry is marked as it comes.
    connect(m_window.popupOpenFiles()->model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid())
                    labelRows(first, last);
            });
    refresh();
}

bool UnsavedEditsController::hasUnsavedEdits(const OpenFile& file) {
    return file.editor && file.editor->document()->isModified();
}

QString UnsavedEditsController::markedName(const QString& name, bool unsaved) {
    return unsaved ? QStringLiteral("\u2022 ") + name : name;
}

void UnsavedEditsController::labelRows(int first, int last) {
    QComboBox* popup = m_window.popupOpenFiles();
    for (int i = first; i <= last && i < popup->count(); ++i) {
        // The pop-up may still list files that were just closed (it is
        // filled again after they go): only the open ones are looked at.
        const void* entry = popup->itemData(i).value<void*>();
        const auto& open = m_openFiles.openFiles();
        const auto it = std::find_if(open.begin(), open.end(),
                                     [entry](const auto& f) { return f.get() == entry; });
        if (it == open.end())
            continue;
        const OpenFile* file = it->get();
        const bool unsaved = hasUnsavedEdits(*file);
        const QString text = markedName(file->name(), unsaved);
        if (popup->itemText(i) != text)
            popup->setItemText(i, text);
        // Read aloud in words rather than as a bullet.
        popup->setItemData(i, unsaved ? tr("%1, unsaved edits").arg(file->name()) : file->name(),
                           Qt::AccessibleTextRole);
    }
}

void UnsavedEditsController::refresh() {
    labelRows(0, m_window.popupOpenFiles()->count() - 1);
    for (const auto& file : m_openFiles.openFiles()) {
        if (!file->editor)
            continue;
        file->editor->setAccessibleName(hasUnsavedEdits(*file)
                                            ? tr("Text of %1, unsaved edits").arg(file->name())
                                            : tr("Text of %1").arg(file->name()));
    }
    const OpenFile* current = m_openFiles.currentFile();
    m_window.setWindowTitle(
        current
            ? tr("%1 \u2014 Morvane").arg(markedName(current->name(), hasUnsavedEdits(*current)))
            : QStringLiteral("Morvane"));
}

} // namespace morvane
