// `morvane upload` without the rest of the program, for the test that kills
// it at random points: the same command-line code, a terminal for alerts.
#include "core/platform.h"
#include "upload/uploadcli.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

class TerminalPlatform : public morvane::Platform {
public:
    void alert(const QString& title, const QString& message) override {
        QTextStream(stderr) << title << ": " << message << '\n';
    }
    int question(const QString&, const QString&, const QStringList&, int defaultButton) override {
        return defaultButton;
    }
    bool openUrl(const QUrl&) override { return false; }
    void revealInFileManager(const QString&) override {}
    void setClipboardText(const QString&) override {}
    bool moveToTrash(const QString&, QString*) override { return false; }
    bool launch(const QString&, const QStringList&) override { return false; }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Morvane"));
    TerminalPlatform platform;
    morvane::Platform::install(&platform);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = morvane::runUploadCommandLine(args, in, out, err);
    morvane::Platform::install(nullptr);
    return rc;
}
