#include "resources/resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE declares the registration function in the current
// namespace, so it must be used outside ours.
static void registerMorvaneResources() {
    Q_INIT_RESOURCE(morvane);
}

namespace morvane {

void initResources() {
    static const bool registered = [] {
        registerMorvaneResources();
        return true;
    }();
    (void)registered;
}

} // namespace morvane
