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

// The first argument that is neither a command the program knows nor one
// of Qt's window options (with its value): the window takes no words and
// no file names. A null string when there is none. `args` is without the
// program name and without a leading command word that was handled.
QString unknownArgument(const QStringList& args);
// When `args` holds such an argument, writes that the command is unknown,
// then the usage, to `err` and returns the exit status 2.
std::optional<int> handleUnknownCommand(const QStringList& args, QTextStream& err);

} // namespace morvane::help
