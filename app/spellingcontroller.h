// Spell checking as you type: the Edit menu's check-marked switch and its
// stored setting, the dictionary (opened when first needed, shared by every
// editor), and each editor's spelling marks. A new editor checks spelling
// when the switch is on at its creation; the switch changes the editor
// shown at the time, and editors made later.
#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class QSettings;

namespace morvane {

class MainWindow;
class OpenFilesController;
class SpellChecker;
class SyntaxColourer;
class TextView;

class SpellingController : public QObject {
    Q_OBJECT
public:
    // Reads the setting from `settings` and sets the menu item's check mark.
    SpellingController(MainWindow& window, OpenFilesController& openFiles,
                       const QSettings& settings, QObject* parent = nullptr);
    ~SpellingController() override;

    static const char* settingsKey() { return "continuousSpellCheckingEnabled"; }

    bool continuousSpellCheckingEnabled() const { return m_enabled; }
    // The menu command: flips the check mark and the setting, stores it, and
    // applies it to the current file's editor.
    void actionSpellChecking();

    // Gives a new editor its spelling marks, on or off as the setting is now.
    void attach(TextView* view, SyntaxColourer* colourer);

    // Where dictionaries are looked for and the language wanted (the system's
    // unless set); tests point these elsewhere before the first editor.
    void setDictionaryLookup(const QStringList& folders, const QString& localeName);
    // The word list's file (in the data folder unless set).
    void setPersonalListPath(const QString& path) { m_personalPath = path; }

    // The dictionary, opened on first use; null when none is installed (the
    // user is told once).
    SpellChecker* checker();

private:
    MainWindow& m_window;
    OpenFilesController& m_openFiles;
    bool m_enabled = false;
    QStringList m_folders;
    QString m_locale;
    QString m_personalPath;
    std::unique_ptr<SpellChecker> m_checker;
    bool m_triedOpening = false;
};

} // namespace morvane
