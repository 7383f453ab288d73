// One file opened in the window: its tree node, whether it is shown in the
// editor or the preview, its document (text, format and state on disk) with
// the editor that shows it, and the selection to restore when it is shown
// again.
#pragma once

#include "editor/textdocument.h"
#include "tree/filesystemitem.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace morvane {

class TextView;

// What the Edit tab can show of the file.
enum class FileLoad {
    NotRead,    // not shown yet
    Text,       // in an editor
    NotText,    // an image, font, archive…: a read-only notice, never an editor
    Unreadable, // could not be read (no permission, not a regular file, too
                // large and refused…): a notice with the reason until a read succeeds
};

using DiskState = TextDocument::DiskState;

// The user's answer, once per file, when a typed character does not fit the
// file's encoding; Asking while the question is open.
enum class EncodingAnswer { NotAsked, Asking, KeepEncoding, ConvertToUtf8 };

struct OpenFile {
    FileSystemItem* item = nullptr; // owned by the tree until the site changes
    bool editMode = true;
    // The file's text and its state on disk; it goes with the editor that
    // shows it when the file is closed (see OpenFilesController).
    std::unique_ptr<TextDocument> document;
    QPointer<TextView> editor; // owned by the window's editor stack; only for text
    int rangeStart = 0;        // remembered selection
    int rangeLength = 0;

    FileLoad load = FileLoad::NotRead;
    QString problem;          // why the file is not in an editor
    QPointer<QWidget> notice; // the read-only page shown instead of an editor
    EncodingAnswer encodingAnswer = EncodingAnswer::NotAsked;

    // Whether the text holds edits that are not on disk.
    bool isModified() const { return document && document->isModified(); }
    DiskState disk() const { return document ? document->diskState() : DiskState::Same; }
    QString path() const { return item ? item->fullPath() : QString(); }
    QString name() const { return item ? item->relativePath() : QString(); }
};

} // namespace morvane
