#include "app/spellingcontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "editor/spellchecker.h"
#include "editor/spellhighlighter.h"
#include "editor/syntaxcolourer.h"
#include "editor/textview.h"

#include <QAction>
#include <QLocale>
#include <QSettings>
#include <QTimer>

namespace morvane {

SpellingController::SpellingController(MainWindow& window, OpenFilesController& openFiles,
                                       const QSettings& settings, QObject* parent)
    : QObject(parent), m_window(window), m_openFiles(openFiles),
      m_folders(defaultDictionaryFolders()), m_locale(QLocale::system().name()),
      m_personalPath(paths::dataFolder() + QStringLiteral("/PersonalWords.txt")) {
    // Stored as a boolean; text such as "NO" (from older settings files or a
    // hand edit) means what it says, where QVariant would read any
    // non-empty text but "false" and "0" as true.
    const QVariant stored = settings.value(QLatin1String(settingsKey()), false);
    if (stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString().trimmed().toLower();
        m_enabled = text == u"true" || text == u"yes" || text == u"1" || text == u"on";
    } else {
        m_enabled = stored.toBool();
    }
    window.actionSpellChecking()->setChecked(m_enabled);
    // The action has flipped its own check mark when this runs.
    connect(window.actionSpellChecking(), &QAction::triggered, this,
            &SpellingController::actionSpellChecking);
}

SpellingController::~SpellingController() = default;

void SpellingController::setDictionaryLookup(const QStringList& folders,
                                             const QString& localeName) {
    m_folders = folders;
    m_locale = localeName;
}

SpellChecker* SpellingController::checker() {
    if (m_checker || m_triedOpening)
        return m_checker.get();
    m_triedOpening = true;
    const std::optional<DictionaryFiles> dict = findDictionary(m_locale, m_folders);
    QString error;
    if (dict)
        m_checker = SpellChecker::open(*dict, m_personalPath, &error);
    if (!m_checker) {
        // Told once; the editors work on without marks.
        Platform::instance().alert(
            tr("Spelling cannot be checked."),
            dict ? error
                 : tr("No spelling dictionary is installed for %1 or for English (US). Install "
                      "one (the hunspell-en-us package, for example) and start Morvane again.")
                       .arg(m_locale));
    }
    return m_checker.get();
}

void SpellingController::attach(TextView* view, SyntaxColourer* colourer) {
    if (!view || !colourer)
        return;
    auto* marks = new SpellHighlighter(view, colourer, m_checker.get());
    marks->setEnabled(m_enabled);
    // Reading the dictionary takes a moment: the file is shown first.
    if (m_enabled && !m_checker && !m_triedOpening)
        QTimer::singleShot(0, marks, [this, marks] { marks->setChecker(checker()); });
}

void SpellingController::actionSpellChecking() {
    m_enabled = !m_enabled;
    m_window.actionSpellChecking()->setChecked(m_enabled);
    {
        auto settings = paths::openSettings();
        settings->setValue(QLatin1String(settingsKey()), m_enabled);
        settings->sync();
    }
    // Only the editor shown now; the others keep the setting they were made with.
    if (TextView* view = m_openFiles.currentTextView()) {
        if (SpellHighlighter* marks = SpellHighlighter::of(view)) {
            if (m_enabled)
                marks->setChecker(checker());
            marks->setEnabled(m_enabled);
        }
    }
}

} // namespace morvane
