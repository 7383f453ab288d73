// One file opened in the window: its tree node, whether it is shown in the
// editor or the preview, whether it has unsaved edits, its editor and the
// selection to restore when it is shown again; and what the program knows of
// the file on disk, so that neither the file nor the user's edits are lost.
#pragma once

#include "core/filekind.h"
#include "tree/filesystemitem.h"

#include <QPointer>
#include <QString>
#include <QWidget>

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

// The file on disk against the version the editor holds.
enum class DiskState {
    InStep,            // the editor holds what is on disk, plus the user's edits
    ChangedWhileDirty, // another program changed the file while the editor held edits
    Deleted,           // the file is gone from its path
};

// The user's answer, once per file, when a typed character does not fit the
// file's encoding; Asking while the question is open.
enum class EncodingAnswer { NotAsked, Asking, KeepEncoding, ConvertToUtf8 };

struct OpenFile {
    FileSystemItem* item = nullptr; // owned by the tree until the site changes
    bool editMode = true;
    bool dirty = false;
    QPointer<TextView> editor; // owned by the window's editor stack; only for text
    int rangeStart = 0;        // remembered selection
    int rangeLength = 0;

    FileLoad load = FileLoad::NotRead;
    QString problem;          // why the file is not in an editor
    QPointer<QWidget> notice; // the read-only page shown instead of an editor
    bool largeFileAllowed = false;
    FileStamp stamp; // of the version read or last written
    DiskState disk = DiskState::InStep;
    EncodingAnswer encodingAnswer = EncodingAnswer::NotAsked;

    QString path() const { return item ? item->fullPath() : QString(); }
    QString name() const { return item ? item->relativePath() : QString(); }
};

} // namespace morvane
