// The program's built-in files (row icons, help pages, templates), compiled
// into the static library morvane_resources under the ":/Morvane/" prefix.
#pragma once

namespace morvane {

// Registers the resources. A static library's resources are not registered
// by themselves; call this once before the first use (calling it again is
// harmless).
void initResources();

} // namespace morvane
