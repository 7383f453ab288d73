#include "testenv.h"

#include "recordingplatform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace morvane::test {

namespace {
QTemporaryDir* g_home = nullptr;
}

QString homeDir() {
    return g_home->path();
}
QString configHome() {
    return g_home->path() + QStringLiteral("/.config");
}
QString dataHome() {
    return g_home->path() + QStringLiteral("/.local/share");
}

void resetUserState() {
    QDir(configHome()).removeRecursively();
    QDir(dataHome()).removeRecursively();
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    QDeadlineTimer timer(deadline);
    while (!done()) {
        if (timer.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!done())
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace morvane::test

// The shared main of every test program: sets up the private environment
// before Qt looks at any path, installs the recording platform, runs gtest.
int main(int argc, char** argv) {
    auto home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/morvane-test-XXXXXX"));
    if (!home->isValid())
        return 2;
    morvane::test::g_home = home.get();
    const QByteArray h = home->path().toLocal8Bit();
    setenv("HOME", h.constData(), 1);
    setenv("XDG_CONFIG_HOME", (h + "/.config").constData(), 1);
    setenv("XDG_DATA_HOME", (h + "/.local/share").constData(), 1);
    setenv("XDG_CACHE_HOME", (h + "/.cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", h.constData(), 1);
    // The desktop keyring of the session is never touched: only the tests
    // run with a keyring of their own (tests/support/with-keyring.sh) keep
    // their private session bus.
    if (!getenv("MORVANE_TEST_PRIVATE_BUS"))
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    morvane::test::resetUserState();

    // The preview's web engine (loaded on demand) needs shared GL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Morvane"));
    QStandardPaths::setTestModeEnabled(false);

    morvane::test::RecordingPlatform platform;
    morvane::Platform::install(&platform);

    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    morvane::Platform::install(nullptr);
    return rc;
}
