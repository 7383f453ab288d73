#include "help/commandline.h"

#include <QCoreApplication>
#include <QTextStream>

namespace morvane::help {

QString versionText() {
    return QStringLiteral("Morvane %1").arg(QStringLiteral(MORVANE_VERSION));
}

QString usageText() {
    return QCoreApplication::translate(
        "CommandLine",
        "Usage:\n"
        "  morvane                 open the editor window\n"
        "  morvane upload [--yes] [--dry-run] [--verbose] [SITE]\n"
        "                          upload the files of a site that need upload\n"
        "  morvane upload --delete [--force] [SITE]\n"
        "                          also delete server files deleted here; --force\n"
        "                          overwrites files changed on the server\n"
        "  morvane download [--yes] [--dry-run] [SITE] [PATH...]\n"
        "                          fetch the server's files missing or different here\n"
        "  morvane compare [SITE]  list the files that differ from the server\n"
        "  morvane trust SITE      review and trust the server of a site\n"
        "  morvane colour --runs FILE\n"
        "                          print how a file is coloured\n"
        "  morvane --version       print the version\n"
        "  morvane --help          print this help\n"
        "\n"
        "`morvane upload --help`, `morvane download --help` and\n"
        "`morvane compare --help` describe their options.\n"
        "The user guide is in the program: Help > Morvane Help.\n");
}

namespace {
// Qt's own window options that take the next argument as their value.
bool takesValue(QStringView option) {
    static const char* const kWithValue[] = {
        "platform",        "platformpluginpath",
        "platformtheme",   "plugin",
        "qwindowgeometry", "geometry",
        "qwindowtitle",    "title",
        "qwindowicon",     "icon",
        "display",         "name",
        "session",         "style",
        "stylesheet",
    };
    while (option.startsWith(QLatin1Char('-')))
        option = option.sliced(1);
    if (option.contains(QLatin1Char('=')))
        return false;
    for (const char* known : kWithValue)
        if (option == QLatin1String(known))
            return true;
    return false;
}
} // namespace

QString unknownArgument(const QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            if (takesValue(a))
                ++i;
            continue;
        }
        return a;
    }
    return QString();
}

std::optional<int> handleUnknownCommand(const QStringList& args, QTextStream& err) {
    const QString word = unknownArgument(args);
    if (word.isNull())
        return std::nullopt;
    err << QCoreApplication::translate("CommandLine", "morvane: unknown command \"%1\"\n").arg(word)
        << usageText();
    err.flush();
    return 2;
}

std::optional<int> handleInfoOptions(const QStringList& args, QTextStream& out) {
    if (args.isEmpty())
        return std::nullopt;
    const QString& first = args.first();
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        out << versionText() << '\n';
        return 0;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        out << usageText();
        return 0;
    }
    return std::nullopt;
}

} // namespace morvane::help
