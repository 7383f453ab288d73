#include "help/commandline.h"

#include <QCoreApplication>
#include <QTextStream>

namespace morvane::help {

QString versionText() {
    return QStringLiteral("Morvane %1").arg(QStringLiteral(MORVANE_VERSION));
}

QString usageText() {
    return QCoreApplication::translate(
        "CommandLine", "Usage:\n"
                       "  morvane                 open the editor window\n"
                       "  morvane upload [--yes] [--dry-run] [SITE]\n"
                       "                          upload the files of a site that need upload\n"
                       "  morvane trust SITE      review and trust the server of a site\n"
                       "  morvane colour --runs FILE\n"
                       "                          print how a file is coloured\n"
                       "  morvane --version       print the version\n"
                       "  morvane --help          print this help\n"
                       "\n"
                       "`morvane upload --help` describes the upload options.\n"
                       "The user guide is in the program: Help > Morvane Help.\n");
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
