// Ends editing in the window: takes the keyboard focus from the editor,
// which saves an edited current file and marks it for upload. Every command
// that changes what the document pane shows calls it first.
#pragma once

namespace morvane {

class OpenFilesController;

void endEditing(OpenFilesController& openFiles);

} // namespace morvane
