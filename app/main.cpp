// Morvane's entry point. `morvane colour …` and `morvane upload …` are
// command-line tools that need no display; anything else opens the window.
#include "app/appdelegate.h"
#include "app/systemplatform.h"
#include "core/paths.h"
#include "core/translations.h"
#include "editor/colourcommand.h"
#include "help/commandline.h"
#include "resources/resources.h"
#include "upload/synccli.h"
#include "upload/uploadcli.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QMainWindow>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <unistd.h>

namespace {

void setIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORVANE_VERSION));
}

QStringList argumentsAfter(int argc, char** argv, int first) {
    QStringList args;
    for (int i = first; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

int runTool(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    morvane::translations::install();
    QTextStream err(stderr);
    const QStringList args = argumentsAfter(argc, argv, 2);
    if (std::strcmp(argv[1], "colour") == 0)
        return morvane::runColourCommand(args, stdout, err);
    // The upload tool reports through the same alerts seam as the window;
    // on a terminal they become lines on standard error.
    class TerminalPlatform : public morvane::SystemPlatform {
    public:
        void alert(const QString& title, const QString& message) override {
            QTextStream e(stderr);
            e << title << (message.isEmpty() ? QString() : QStringLiteral(": ") + message) << '\n';
        }
    } platform;
    morvane::Platform::install(&platform);
    QTextStream in(stdin);
    QTextStream out(stdout);
    const int rc =
        std::strcmp(argv[1], "trust") == 0     ? morvane::runTrustCommandLine(args, in, out, err)
        : std::strcmp(argv[1], "compare") == 0 ? morvane::runCompareCommandLine(args, in, out, err)
        : std::strcmp(argv[1], "download") == 0
            ? morvane::runDownloadCommandLine(args, in, out, err, ::isatty(STDERR_FILENO) != 0)
            : morvane::runUploadCommandLine(args, in, out, err, ::isatty(STDERR_FILENO) != 0);
    morvane::Platform::install(nullptr);
    return rc;
}

} // namespace

namespace morvane {
// Watches every widget for the main window's first paint and exits then.
std::unique_ptr<QObject> exitAtFirstFrame() {
    class Probe : public QObject {
    protected:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && qobject_cast<QMainWindow*>(watched)) {
                std::fflush(stdout);
                std::_Exit(0);
            }
            return false;
        }
    };
    auto probe = std::make_unique<Probe>();
    qApp->installEventFilter(probe.get());
    return probe;
}
} // namespace morvane

// --help, --version and a mistyped command print and end, in the user's
// language, before any window is made. Tried first on a throw-away stream,
// so that only these get an application object of their own.
std::optional<int> runPrintingCommand(int argc, char** argv) {
    const QStringList args = argumentsAfter(argc, argv, 1);
    QString ignored;
    QTextStream probe(&ignored);
    if (!morvane::help::handleInfoOptions(args, probe) &&
        !morvane::help::handleUnknownCommand(args, probe))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    morvane::translations::install();
    QTextStream out(stdout);
    if (const auto rc = morvane::help::handleInfoOptions(args, out))
        return rc;
    // The window takes no words: a mistyped command must not open it.
    QTextStream err(stderr);
    return morvane::help::handleUnknownCommand(args, err);
}

int main(int argc, char** argv) {
    setIdentity();
    if (argc > 1 && (std::strcmp(argv[1], "colour") == 0 || std::strcmp(argv[1], "upload") == 0 ||
                     std::strcmp(argv[1], "trust") == 0 || std::strcmp(argv[1], "compare") == 0 ||
                     std::strcmp(argv[1], "download") == 0))
        return runTool(argc, argv);
    if (const auto rc = runPrintingCommand(argc, argv))
        return *rc;

    // Before Qt, the GL drivers or the web engine make any of them.
    morvane::paths::preparePrivateCacheFolders();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    morvane::translations::install();
    morvane::initResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/Morvane/icons/morvane.png")));
    morvane::SystemPlatform platform;
    morvane::Platform::install(&platform);

    morvane::AppDelegate delegate;
    // For the start-up benchmark: end the process at the main window's first
    // frame, before the start-up alerts wait for a person.
    std::unique_ptr<QObject> firstFrameProbe;
    if (qEnvironmentVariableIsSet("MORVANE_EXIT_AT_FIRST_FRAME"))
        firstFrameProbe = morvane::exitAtFirstFrame();
    if (!delegate.applicationDidFinishLaunching())
        return 1;
    const int rc = app.exec();
    morvane::Platform::install(nullptr);
    return rc;
}
