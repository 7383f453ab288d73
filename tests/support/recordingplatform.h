// A stand-in for the desktop services that records what the program asked
// for and answers questions from a script, so tests can check alerts and
// drive confirmations without a human.
#pragma once

#include "core/platform.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

namespace morvane::test {

struct RecordedAlert {
    QString title;
    QString message;
    QStringList buttons; // empty for a plain alert
};

class RecordingPlatform : public Platform {
public:
    RecordingPlatform();
    ~RecordingPlatform() override;

    // The installed instance, for tests.
    static RecordingPlatform& current();

    void alert(const QString& title, const QString& message) override;
    int question(const QString& title, const QString& message, const QStringList& buttons,
                 int defaultButton) override;
    bool openUrl(const QUrl& url) override;
    void revealInFileManager(const QString& path) override;
    void setClipboardText(const QString& text) override;
    bool moveToTrash(const QString& path, QString* error) override;
    bool launch(const QString& program, const QStringList& arguments) override;
    void run(const QString& program, const QStringList& arguments, const QByteArray& input,
             const RunDone& done) override;
    bool haveProgram(const QString& program) const override;
    void beep() override { ++beeps; }
    QDateTime now() const override;

    // Answers for the next questions, in order; with none queued a question
    // gets its default button.
    void queueAnswer(int buttonIndex) { answers.push_back(buttonIndex); }
    // Run while a question is open, before it is answered: what a real
    // dialog's own event loop would deliver meanwhile (queued events, a
    // lost focus).
    std::function<void()> whileAsking;

    void clear();

    QList<RecordedAlert> alerts;
    std::deque<int> answers;
    QList<QUrl> openedUrls;
    QStringList revealed;
    QString clipboard;
    QStringList trashed;
    bool trashSucceeds = true;
    // Moves to the real trash of the test's own XDG_DATA_HOME rather than
    // removing the file.
    bool realTrash = false;
    QList<QStringList> launched; // program followed by its arguments
    bool launchSucceeds = true;
    struct Run {
        QStringList command; // program followed by its arguments
        QByteArray input;
    };
    QList<Run> runs;
    // The outcome each run reports (at once): ok, else this error text.
    bool runSucceeds = true;
    QString runError = QStringLiteral("the test refused");
    // Programs haveProgram() finds.
    QStringList programs;
    int beeps = 0;
    QDateTime fixedNow; // when valid, now() returns it
};

} // namespace morvane::test
