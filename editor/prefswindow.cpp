#include "editor/prefswindow.h"

#include "core/platform.h"
#include "editor/syntaxcolourer.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <cstdlib>
#include <limits>
#include <memory>

namespace morvane {

namespace {

QIcon swatch(const QColor& colour) {
    QPixmap pm(28, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0, 0, 0, 128));
    p.setBrush(colour);
    p.drawRect(QRectF(0.5, 0.5, 27, 13));
    return QIcon(pm);
}

// "DejaVu Sans Mono Book 14 pt": the face as well as the family, so that a
// bold or slanted choice is seen on the button.
QString fontLabel(const QFont& font) {
    QString style = QFontInfo(font).styleName();
    if (style.isEmpty())
        style = QFontDatabase::styleString(font);
    return QStringLiteral("%1 %2 %3 pt").arg(font.family(), style).arg(font.pointSizeF());
}

// The face of `family` nearest to a slant and weight: the same slant first,
// then the closest weight. Empty when the family lists no faces.
QString nearestStyle(const QString& family, bool italic, int weight) {
    QString best;
    int bestScore = std::numeric_limits<int>::max();
    for (const QString& style : QFontDatabase::styles(family)) {
        // Oblique counts as slanted too (QFontDatabase::italic() says no).
        const bool slanted = QFontDatabase::font(family, style, 12).style() != QFont::StyleNormal;
        const int score = (slanted != italic ? 10000 : 0) +
                          std::abs(QFontDatabase::weight(family, style) - weight);
        if (score < bestScore) {
            bestScore = score;
            best = style;
        }
    }
    return best;
}

struct ButtonSpec {
    ColourRole role;
    const char* label;
    int column;
};

// The three columns: the HTML, the PHP, and the CSS and JavaScript colours
// (comments and reserved words share the colours of the first two).
constexpr ButtonSpec kButtons[] = {
    {ColourRole::Tag, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Tag"), 0},
    {ColourRole::Attribute, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Attribute"), 0},
    {ColourRole::Parameter, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Parameter"), 0},
    {ColourRole::Comment, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Comment"), 0},
    {ColourRole::Php, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "C&ode"), 1},
    {ColourRole::Identifier, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Identifier"), 1},
    {ColourRole::Reserved, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Reserved identifier"), 1},
    {ColourRole::Variable, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Variable"), 1},
    {ColourRole::PhpDelimiter, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "&Start and end"), 1},
    {ColourRole::CssSelector, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "Se&lector"), 2},
    {ColourRole::CssProperty, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "Propert&y"), 2},
    {ColourRole::CssAtRule, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "At-r&ule"), 2},
    {ColourRole::String, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "Strin&g"), 2},
    {ColourRole::Number, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "Num&ber"), 2},
    {ColourRole::Regex, QT_TRANSLATE_NOOP("morvane::PrefsWindow", "Regular e&xpression"), 2},
};

} // namespace

QString PrefsWindow::sampleText() {
    return QStringLiteral("<tag attribute=param>\n"
                          "<!-- comment -->\n"
                          "<?php\n"
                          "$var = fcn('string'); // comment\n"
                          "echo <<<EOT\n"
                          "another string\n"
                          "EOT;\n"
                          "?>\n"
                          "<style>\n"
                          "@media print { .note, #top { color: #00f !important; } }\n"
                          "</style>\n"
                          "<script>\n"
                          "if (ok) s = `n: ${n / 2}`.replace(/\\s+/g, \"-\");\n"
                          "</script>");
}

PrefsWindow::PrefsWindow(Preferences& prefs, SettingsOpener openSettings, QWidget* parent)
    : QDialog(parent), m_prefs(prefs), m_openSettings(std::move(openSettings)) {
    setWindowTitle(tr("Preferences"));
    setObjectName(QStringLiteral("Prefs"));
    m_chooseColour = [](QWidget* parent, const QColor& current, const QString& title) {
        return QColorDialog::getColor(current, parent, title);
    };
    m_chooseFont = [](QWidget* parent, const QFont& current) -> std::optional<QFont> {
        QFontDialog dialog(current, parent);
        dialog.setWindowTitle(tr("Editor Font"));
        keepFaceAcrossFamilies(dialog);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.selectedFont();
    };

    auto* layout = new QVBoxLayout(this);
    auto* colours = new QHBoxLayout;
    QGroupBox* groups[3] = {new QGroupBox(tr("HTML colours"), this),
                            new QGroupBox(tr("PHP colours"), this),
                            new QGroupBox(tr("CSS and JavaScript colours"), this)};
    QVBoxLayout* columns[3] = {new QVBoxLayout(groups[0]), new QVBoxLayout(groups[1]),
                               new QVBoxLayout(groups[2])};
    for (const ButtonSpec& spec : kButtons) {
        auto* button = new QPushButton(tr(spec.label), groups[spec.column]);
        button->setObjectName(QLatin1String(Preferences::keyForRole(spec.role)));
        button->setAccessibleName(tr("%1 colour").arg(tr(spec.label).remove(QLatin1Char('&'))));
        button->setStyleSheet(QStringLiteral("text-align: left"));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, role = spec.role] { actionColour(role); });
        columns[spec.column]->addWidget(button);
        m_colourButtons[int(spec.role)] = button;
    }
    columns[0]->addStretch(1);
    columns[1]->addStretch(1);
    for (QGroupBox* group : groups)
        colours->addWidget(group);
    layout->addLayout(colours);

    auto* fontRow = new QHBoxLayout;
    auto* fontLabelWidget = new QLabel(tr("Editor &font:"), this);
    m_fontButton = new QPushButton(this);
    m_fontButton->setObjectName(QStringLiteral("fontButton"));
    m_fontButton->setAccessibleName(tr("Editor font"));
    m_fontButton->setAutoDefault(false);
    fontLabelWidget->setBuddy(m_fontButton);
    connect(m_fontButton, &QPushButton::clicked, this, &PrefsWindow::actionSetFont);
    fontRow->addWidget(fontLabelWidget);
    fontRow->addWidget(m_fontButton, 1);
    layout->addLayout(fontRow);

    m_autoIndent = new QCheckBox(tr("Auto-i&ndent new lines"), this);
    m_autoIndent->setObjectName(QStringLiteral("autoIndent"));
    m_autoIndent->setAccessibleName(tr("Auto-indent new lines"));
    layout->addWidget(m_autoIndent);

    auto* sampleLabel = new QLabel(tr("Sa&mple:"), this);
    m_sample = new QPlainTextEdit(this);
    m_sample->setObjectName(QStringLiteral("textViewSample"));
    m_sample->setAccessibleName(tr("Sample text"));
    m_sample->setReadOnly(true);
    m_sample->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_sample->setPlainText(sampleText());
    sampleLabel->setBuddy(m_sample);
    m_sampleColourer = colourWithPreferences(m_sample, m_prefs);
    layout->addWidget(sampleLabel);
    layout->addWidget(m_sample, 1);

    auto* buttons = new QDialogButtonBox(this);
    m_resetButton = buttons->addButton(tr("R&eset"), QDialogButtonBox::ResetRole);
    m_resetButton->setAccessibleName(tr("Reset to the default preferences"));
    m_resetButton->setAutoDefault(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setAccessibleName(tr("Close and store the preferences"));
    connect(m_resetButton, &QPushButton::clicked, this, &PrefsWindow::actionReset);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(buttons);

    setControlsFromPrefs();
    // The sample shows all its lines, the longest one whole.
    const QFontMetrics fm(m_sample->font());
    const QStringList lines = sampleText().split(QLatin1Char('\n'));
    qsizetype longest = 0;
    for (qsizetype k = 1; k < lines.size(); ++k) {
        if (lines[k].size() > lines[longest].size())
            longest = k;
    }
    m_sample->setMinimumHeight(fm.lineSpacing() * int(lines.size() + 1) + 12);
    m_sample->setMinimumWidth(fm.horizontalAdvance(lines[longest]) + 40);
    m_colourButtons[int(ColourRole::Tag)]->setFocus();
}

PrefsWindow::~PrefsWindow() = default;

QPushButton* PrefsWindow::colourButton(ColourRole role) const {
    return role == ColourRole::None ? nullptr : m_colourButtons[int(role)];
}

void PrefsWindow::showColour(ColourRole role) {
    if (QPushButton* b = colourButton(role)) {
        b->setIcon(swatch(m_prefs.colourForRole(role)));
        b->setToolTip(m_prefs.colourForRole(role).name(QColor::HexArgb));
    }
}

void PrefsWindow::setControlsFromPrefs() {
    for (const ButtonSpec& spec : kButtons)
        showColour(spec.role);
    m_fontButton->setText(fontLabel(m_prefs.font()));
    m_sample->setFont(m_prefs.font());
    m_autoIndent->setChecked(m_prefs.autoIndent());
    m_sampleColourer->recolourAll();
}

void PrefsWindow::actionColour(ColourRole role) {
    QPushButton* button = colourButton(role);
    if (!button || !m_chooseColour)
        return;
    const QColor chosen =
        m_chooseColour(this, m_prefs.colourForRole(role), button->text().remove(QLatin1Char('&')));
    if (!chosen.isValid())
        return;
    // The preference changes at once: the sample (and any editor) recolours.
    m_prefs.setColourForRole(role, chosen);
    showColour(role);
}

void PrefsWindow::keepFaceAcrossFamilies(QFontDialog& dialog) {
    // The dialog keeps the face only when the new family names it alike;
    // otherwise it takes the family's first face, which is often Oblique.
    struct Face {
        QString family;
        bool italic = false;
        int weight = QFont::Normal;
    };
    auto face = std::make_shared<Face>();
    const QFontInfo start(dialog.currentFont());
    *face = {dialog.currentFont().family(), start.italic(), start.weight()};
    QObject::connect(
        &dialog, &QFontDialog::currentFontChanged, &dialog, [&dialog, face](const QFont& font) {
            const QFontInfo shown(font);
            if (font.family() == face->family) {
                // A face chosen within the family is the one to keep.
                face->italic = shown.italic();
                face->weight = shown.weight();
                return;
            }
            face->family = font.family();
            const QString style = nearestStyle(font.family(), face->italic, face->weight);
            if (style.isEmpty() || style == shown.styleName())
                return;
            QFont wanted = font;
            wanted.setStyleName(style);
            dialog.setCurrentFont(wanted);
        });
}

void PrefsWindow::actionSetFont() {
    if (!m_chooseFont)
        return;
    const std::optional<QFont> chosen = m_chooseFont(this, m_prefs.font());
    if (!chosen)
        return;
    m_prefs.setFont(*chosen);
    m_fontButton->setText(fontLabel(*chosen));
    m_sample->setFont(*chosen);
}

void PrefsWindow::actionReset() {
    const std::unique_ptr<QSettings> settings = m_openSettings();
    m_prefs.resetUserDefaults(*settings);
    settings->sync();
    setControlsFromPrefs();
}

void PrefsWindow::storeEverything() {
    m_prefs.setAutoIndent(m_autoIndent->isChecked());
    const std::unique_ptr<QSettings> settings = m_openSettings();
    // All values go to the file in one write: either every choice is stored
    // or, when the file cannot be written, none is and the user is told.
    m_prefs.saveToUserDefaults(*settings);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        Platform::instance().alert(
            tr("Your preferences could not be saved."),
            tr("The settings file \u201C%1\u201D could not be written. The choices stay in "
               "effect until you quit.")
                .arg(settings->fileName()));
}

void PrefsWindow::done(int result) {
    // Every way of closing comes here: Close, Escape and the window's own
    // close button alike store the choices.
    if (!m_closing) {
        m_closing = true;
        storeEverything();
        m_stored = true;
    }
    QDialog::done(result);
    m_closing = false;
}

} // namespace morvane
