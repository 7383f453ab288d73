#include "recordingplatform.h"

#include <QDir>
#include <QFileInfo>

namespace morvane::test {

namespace {
RecordingPlatform* g_current = nullptr;
}

RecordingPlatform::RecordingPlatform() {
    g_current = this;
}
RecordingPlatform::~RecordingPlatform() {
    if (g_current == this)
        g_current = nullptr;
}

RecordingPlatform& RecordingPlatform::current() {
    return *g_current;
}

void RecordingPlatform::alert(const QString& title, const QString& message) {
    alerts.append({title, message, {}});
}

int RecordingPlatform::question(const QString& title, const QString& message,
                                const QStringList& buttons, int defaultButton) {
    alerts.append({title, message, buttons});
    if (whileAsking)
        whileAsking();
    if (answers.empty())
        return defaultButton;
    const int a = answers.front();
    answers.pop_front();
    return a;
}

bool RecordingPlatform::openUrl(const QUrl& url) {
    openedUrls.append(url);
    return true;
}

void RecordingPlatform::revealInFileManager(const QString& path) {
    revealed.append(path);
}

void RecordingPlatform::setClipboardText(const QString& text) {
    clipboard = text;
}

bool RecordingPlatform::moveToTrash(const QString& path, QString* error) {
    trashed.append(path);
    if (realTrash && trashSucceeds)
        return moveToSystemTrash(path, error);
    if (!trashSucceeds) {
        if (error)
            *error = QStringLiteral("Trash refused by the test");
        return false;
    }
    // Really remove it, so the tree sees the change the way a user would.
    QFileInfo info(path);
    const bool ok =
        info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!ok && error)
        *error = QStringLiteral("Could not remove %1").arg(path);
    return ok;
}

bool RecordingPlatform::launch(const QString& program, const QStringList& arguments) {
    launched.append(QStringList{program} + arguments);
    return launchSucceeds;
}

void RecordingPlatform::run(const QString& program, const QStringList& arguments,
                            const QByteArray& input, const RunDone& done) {
    runs.append({QStringList{program} + arguments, input});
    if (done)
        done(runSucceeds, runSucceeds ? QString() : runError);
}

bool RecordingPlatform::haveProgram(const QString& program) const {
    return programs.contains(program);
}

QDateTime RecordingPlatform::now() const {
    return fixedNow.isValid() ? fixedNow : QDateTime::currentDateTime();
}

void RecordingPlatform::clear() {
    alerts.clear();
    answers.clear();
    whileAsking = nullptr;
    openedUrls.clear();
    revealed.clear();
    clipboard.clear();
    trashed.clear();
    launched.clear();
    runs.clear();
    beeps = 0;
}

} // namespace morvane::test
