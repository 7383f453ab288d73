// Test environment shared by every test program: a private HOME and XDG
// folders (so no test touches the user's real settings or data), the
// offscreen platform, and a recording stand-in for the desktop services.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>

namespace morvane::test {

// The private home folder made for this test process.
QString homeDir();
// Where settings and data land inside it ($XDG_CONFIG_HOME, $XDG_DATA_HOME).
QString configHome();
QString dataHome();

// Removes the settings and data folders' contents, for tests that need a
// fresh first run.
void resetUserState();

// Spins the event loop until `done` returns true or the deadline passes.
// Returns the final value of `done`.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Writes bytes to a file, creating parent folders. Returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

} // namespace morvane::test
