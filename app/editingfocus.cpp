#include "app/editingfocus.h"

#include "app/openfilescontroller.h"
#include "editor/textview.h"

#include <QApplication>

namespace morvane {

void endEditing(OpenFilesController& openFiles) {
    TextView* view = openFiles.currentTextView();
    const bool editorHadFocus = view && view->hasFocus();
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    // Losing the focus saves an edited file; an editor that never had the
    // focus (edited programmatically, or the window inactive) is saved here.
    if (!editorHadFocus)
        openFiles.save(OpenFilesController::SaveMode::IfEdited);
}

} // namespace morvane
