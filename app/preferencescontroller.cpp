#include "app/preferencescontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "editor/preferences.h"
#include "editor/prefswindow.h"
#include "editor/syntaxcolourer.h"
#include "editor/textview.h"

#include <QAction>
#include <QSettings>

namespace morvane {

PreferencesController::PreferencesController(MainWindow& window, Preferences& prefs,
                                             OpenFilesController& files, QObject* parent)
    : QObject(parent), m_window(window), m_prefs(prefs), m_files(files),
      m_run([](PrefsWindow& w) { w.exec(); }) {
    connect(m_window.actionPreferences(), &QAction::triggered, this,
            &PreferencesController::actionPreferences);
}

void PreferencesController::actionPreferences() {
    if (m_running)
        return;
    m_running = true;
    {
        PrefsWindow window(
            m_prefs, [] { return paths::openSettings(); }, &m_window);
        window.setWindowModality(Qt::ApplicationModal);
        m_run(window);
        // However the run ended, the choices are stored once the window is
        // gone.
        if (!window.stored())
            window.done(QDialog::Accepted);
    }
    m_running = false;
    applyToEditors();
}

void PreferencesController::applyToEditors() {
    for (const auto& file : m_files.openFiles())
        if (file->editor)
            file->editor->setEditorFont(m_prefs.font());
    if (TextView* view = m_files.currentTextView())
        if (auto* colourer = view->findChild<SyntaxColourer*>())
            colourer->recolourAll();
}

} // namespace morvane
