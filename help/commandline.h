// The program's answers to `--version` and `--help`, given before any window
// or display is needed.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace morvane::help {

// The text of `morvane --help`: every way to start the program.
QString usageText();
// "Morvane 1.2.3"
QString versionText();

// When `args` (without the program name) is `--version`, `-v`, `--help` or
// `-h`, writes the answer to `out` and returns the exit status; otherwise
// returns nothing and the program starts as usual (Qt's own window options
// such as `-platform` pass through).
std::optional<int> handleInfoOptions(const QStringList& args, QTextStream& out);

} // namespace morvane::help
