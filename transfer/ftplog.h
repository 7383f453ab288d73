// The FTP engine's diagnostics: one Qt logging category, "morvane.ftp".
// It is quiet unless enabled (QT_LOGGING_RULES="morvane.ftp.debug=true", or
// the command line's verbose switch): a republish over folders that exist,
// or a server that limits connections, is routine and prints nothing.
#pragma once

#include <QLoggingCategory>

namespace morvane {
Q_DECLARE_LOGGING_CATEGORY(lcFtp)
} // namespace morvane
