// The one seam between the program and the desktop services that tests must
// observe or script: alerts and questions, opening addresses and files, the
// clipboard, the trash, launching outside programs and the clock.
//
// Production code uses the instance installed at start-up (a SystemPlatform
// from the ui library); tests install a RecordingPlatform (tests/support).
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace morvane {

class Platform {
public:
    virtual ~Platform() = default;

    // A modal alert with a title, an informative line and one "OK" button.
    virtual void alert(const QString& title, const QString& message) = 0;

    // A modal question. `buttons` are listed left to right as shown; the
    // result is the index of the chosen button. `defaultButton` is the one
    // Return chooses (the harmless one for destructive questions).
    virtual int question(const QString& title, const QString& message, const QStringList& buttons,
                         int defaultButton) = 0;

    virtual bool openUrl(const QUrl& url) = 0;
    virtual void revealInFileManager(const QString& path) = 0;
    virtual void setClipboardText(const QString& text) = 0;

    // Moves a file or folder to the trash; on failure returns false and puts
    // the system's description into `error`.
    virtual bool moveToTrash(const QString& path, QString* error) = 0;

    // Starts a program with an argument list (never through a shell).
    virtual bool launch(const QString& program, const QStringList& arguments) = 0;

    // Runs a program with an argument list (never through a shell), writes
    // `input` to its standard input and closes it, and calls `done` once it
    // ended: `ok` when it exited with status 0, else `error` holds what it
    // wrote to its error output or why it could not start. The window keeps
    // running meanwhile. Secrets go in `input`: an argument is visible to
    // every user of the machine in the process list. (Unless overridden:
    // reports at once that nothing could be run.)
    using RunDone = std::function<void(bool ok, const QString& error)>;
    virtual void run(const QString& program, const QStringList& arguments, const QByteArray& input,
                     const RunDone& done);

    // Whether a program of that name is on the PATH.
    virtual bool haveProgram(const QString& program) const;

    // The system's alert sound (none unless overridden).
    virtual void beep() {}

    virtual QDateTime now() const = 0;

    // The installed instance. Never null once installed at start-up or by a
    // test fixture.
    static Platform& instance();
    static void install(Platform* platform);

    // The freedesktop.org trash of the user (the one the file's own volume
    // offers when it is not on the home volume); what moveToTrash() does on
    // this system.
    static bool moveToSystemTrash(const QString& path, QString* error);
};

} // namespace morvane
