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

    virtual QDateTime now() const = 0;

    // The installed instance. Never null once installed at start-up or by a
    // test fixture.
    static Platform& instance();
    static void install(Platform* platform);
};

} // namespace morvane
