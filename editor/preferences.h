// The editor's colour, font and auto-indent preferences. One instance is made
// at start-up and lives for the process; each editor's colourer is handed
// the colours as a role-to-format table and a new one whenever they change
// (colourWithPreferences), new editors take the font, and the editing
// commands read the auto-indent switch.
#pragma once

#include "editor/syntax/syntaxrole.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QStringList>
#include <QVariant>

class QSettings;

namespace morvane {

// The nine colour roles the syntax scanners assign (and None).
using ColourRole = SyntaxRole;
inline constexpr int kColourRoleCount = kSyntaxRoleCount;

class Preferences : public QObject {
    Q_OBJECT
public:
    explicit Preferences(QObject* parent = nullptr);

    // Loads every value from the settings store, falling back to the defaults
    // for missing or unreadable entries.
    void prefsFromUserDefaults(QSettings& settings);
    // Writes every value back to the store (not yet to disk: the caller
    // syncs once, so that either all of them reach the file or none).
    void saveToUserDefaults(QSettings& settings) const;
    // Removes every stored value from the store, in the stored order, then
    // loads the defaults that now apply.
    void resetUserDefaults(QSettings& settings);

    // The stored auto-indent switch: a boolean, or the text an older version
    // wrote ("YES"/"NO", "true"/"false", "1"/"0", "on"/"off" in any letter
    // case). Anything else, or nothing, reads as off.
    static bool autoIndentFromStored(const QVariant& value);
    // Every key these preferences are stored under, in the stored order.
    static QStringList storedKeys();

    QColor colourTag() const { return m_colours[int(ColourRole::Tag)]; }
    QColor colourAttr() const { return m_colours[int(ColourRole::Attribute)]; }
    QColor colourParam() const { return m_colours[int(ColourRole::Parameter)]; }
    QColor colourPHP() const { return m_colours[int(ColourRole::Php)]; }
    QColor colourPHPDelim() const { return m_colours[int(ColourRole::PhpDelimiter)]; }
    QColor colourKW() const { return m_colours[int(ColourRole::Identifier)]; }
    QColor colourKWReserved() const { return m_colours[int(ColourRole::Reserved)]; }
    QColor colourVar() const { return m_colours[int(ColourRole::Variable)]; }
    QColor colourComment() const { return m_colours[int(ColourRole::Comment)]; }

    // The colour of a role; an invalid QColor for ColourRole::None.
    QColor colourForRole(ColourRole role) const { return m_colours[int(role)]; }
    void setColourForRole(ColourRole role, const QColor& colour);

    QFont font() const { return m_font; }
    void setFont(const QFont& font);
    bool autoIndent() const { return m_autoIndent; }
    void setAutoIndent(bool on);

    static QColor defaultColour(ColourRole role);
    // Menlo where it is installed, else the system's fixed-width font; 14 pt.
    static QFont defaultFont();
    // `font` when its family is installed; else the system's fixed-width
    // font at the same size.
    static QFont installedFont(const QFont& font);
    // The settings key under which a role's colour is stored.
    static const char* keyForRole(ColourRole role);

    // Lossless text form of a colour ("rgba64:" with 16-bit components for
    // RGB, a tagged list of components for the other colour spaces) and its
    // reverse; an invalid colour on bad input.
    static QString colourToText(const QColor& colour);
    static QColor colourFromText(const QString& text);

Q_SIGNALS:
    // Emitted whenever a colour or the font changes, so editors can repaint.
    void changed();
    // Emitted when the auto-indent switch changes.
    void autoIndentChanged(bool on);

private:
    QColor m_colours[kColourRoleCount];
    QFont m_font;
    bool m_autoIndent = false;
};

} // namespace morvane
