#include "transfer/ftplog.h"

namespace morvane {
// Only critical messages pass by default; the engine logs none, so the
// category stays silent until someone turns it on.
Q_LOGGING_CATEGORY(lcFtp, "morvane.ftp", QtCriticalMsg)
} // namespace morvane
