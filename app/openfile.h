// One file opened in the window: its tree node, whether it is shown in the
// editor or the preview, whether it has unsaved edits, its editor and the
// selection to restore when it is shown again.
#pragma once

#include "tree/filesystemitem.h"

#include <QPointer>
#include <QString>

namespace morvane {

class TextView;

struct OpenFile {
    FileSystemItem* item = nullptr; // owned by the tree until the site changes
    bool editMode = true;
    bool dirty = false;
    QPointer<TextView> editor; // owned by the window's editor stack
    int rangeStart = 0;        // remembered selection
    int rangeLength = 0;

    QString path() const { return item ? item->fullPath() : QString(); }
    QString name() const { return item ? item->relativePath() : QString(); }
};

} // namespace morvane
