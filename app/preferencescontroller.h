// The Preferences command: shows the preferences window modally; when it
// closes (having stored the choices), every open editor takes the chosen font
// and the current editor recolours its visible text.
#pragma once

#include <QObject>

#include <functional>

namespace morvane {

class MainWindow;
class OpenFilesController;
class Preferences;
class PrefsWindow;

class PreferencesController : public QObject {
    Q_OBJECT
public:
    PreferencesController(MainWindow& window, Preferences& prefs, OpenFilesController& files,
                          QObject* parent = nullptr);

    // Runs the window until it closes (a modal run unless replaced: tests
    // drive the window and close it themselves).
    using WindowRunner = std::function<void(PrefsWindow&)>;
    void setWindowRunner(WindowRunner runner) { m_run = std::move(runner); }

    void actionPreferences();
    // Gives every open editor the preferences' font and recolours the
    // current editor's visible text.
    void applyToEditors();

private:
    MainWindow& m_window;
    Preferences& m_prefs;
    OpenFilesController& m_files;
    WindowRunner m_run;
    bool m_running = false;
};

} // namespace morvane
