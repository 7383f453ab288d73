#include "core/platform.h"

#include <cstdio>
#include <cstdlib>

namespace morvane {

namespace {
Platform* g_platform = nullptr;
}

Platform& Platform::instance() {
    if (!g_platform) {
        std::fputs("morvane: no platform installed\n", stderr);
        std::abort();
    }
    return *g_platform;
}

void Platform::install(Platform* platform) {
    g_platform = platform;
}

} // namespace morvane
