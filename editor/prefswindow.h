// The preferences window: the nine syntax colours, the editor font and the
// auto-indent switch, with a sample text coloured live as the colours change
// and a Reset button. Colours and the font take effect in the preferences at
// once; every way of closing the window (the Close button, Escape, the
// window's close button) stores all the choices in one write.
#pragma once

#include "editor/preferences.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QFontDialog;
class QPlainTextEdit;
class QPushButton;
class QSettings;

namespace morvane {

class SyntaxColourer;

class PrefsWindow : public QDialog {
    Q_OBJECT
public:
    using SettingsOpener = std::function<std::unique_ptr<QSettings>()>;
    // Asks for a colour; an invalid colour means the user cancelled.
    using ColourChooser =
        std::function<QColor(QWidget* parent, const QColor& current, const QString& title)>;
    // Asks for a font; nothing when the user cancelled.
    using FontChooser = std::function<std::optional<QFont>(QWidget* parent, const QFont& current)>;

    PrefsWindow(Preferences& prefs, SettingsOpener openSettings, QWidget* parent = nullptr);
    ~PrefsWindow() override;

    // The choosers (the platform's colour and font dialogs unless replaced).
    void setColourChooser(ColourChooser chooser) { m_chooseColour = std::move(chooser); }
    void setFontChooser(FontChooser chooser) { m_chooseFont = std::move(chooser); }

    // Makes the font dialog keep the chosen face (slant and weight) when
    // the user picks another family, rather than jump to the family's
    // first face.
    static void keepFaceAcrossFamilies(QFontDialog& dialog);

    // The eight lines of the sample.
    static QString sampleText();

    QPlainTextEdit* sample() const { return m_sample; }
    SyntaxColourer* sampleColourer() const { return m_sampleColourer; }
    QPushButton* colourButton(ColourRole role) const;
    QPushButton* fontButton() const { return m_fontButton; }
    QCheckBox* autoIndentBox() const { return m_autoIndent; }
    QPushButton* resetButton() const { return m_resetButton; }

    // A colour button's action: asks for the role's colour and, when one is
    // chosen, makes it the preference and recolours the sample.
    void actionColour(ColourRole role);
    // Asks for the editor font; the sample shows it at once.
    void actionSetFont();
    // Removes the stored values (at once), and shows the defaults.
    void actionReset();
    // Shows the preferences in the controls and recolours the sample.
    void setControlsFromPrefs();

    void done(int result) override;
    // Whether the window was closed (and the choices stored) at least once.
    bool stored() const { return m_stored; }

private:
    void showColour(ColourRole role);
    void storeEverything();

    Preferences& m_prefs;
    SettingsOpener m_openSettings;
    ColourChooser m_chooseColour;
    FontChooser m_chooseFont;
    QPlainTextEdit* m_sample;
    SyntaxColourer* m_sampleColourer;
    QPushButton* m_colourButtons[kColourRoleCount] = {};
    QPushButton* m_fontButton;
    QCheckBox* m_autoIndent;
    QPushButton* m_resetButton;
    bool m_closing = false;
    bool m_stored = false;
};

} // namespace morvane
