// The preferences window: what it shows on a fresh settings file, the sample
// recoloured on every colour change, every way of closing storing every
// choice, Reset, and a settings file that cannot be written.
#include "editor/prefswindow.h"
#include "editor/syntaxcolourer.h"
#include "inisettings.h"
#include "qtprinters.h"
#include "recordingplatform.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <QFontDatabase>
#include <QFontInfo>

#include <gtest/gtest.h>

namespace morvane {
namespace {

// The default editor font's family: Menlo where it is installed, else the
// system's fixed-width font (never a family the machine lacks).
QString defaultFamily() {
    if (QFontDatabase::hasFamily(QStringLiteral("Menlo")))
        return QStringLiteral("Menlo");
    return QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
}

constexpr ColourRole kRoles[] = {
    ColourRole::Tag,         ColourRole::Attribute, ColourRole::Parameter,
    ColourRole::Comment,     ColourRole::Php,       ColourRole::PhpDelimiter,
    ColourRole::Identifier,  ColourRole::Reserved,  ColourRole::Variable,
    ColourRole::String,      ColourRole::Number,    ColourRole::CssSelector,
    ColourRole::CssProperty, ColourRole::CssAtRule, ColourRole::Regex,
};

class PrefsWindowTest : public test::IniSettingsTest {
protected:
    std::unique_ptr<PrefsWindow> makeWindow() {
        auto w = std::make_unique<PrefsWindow>(prefs, [this] { return open(); });
        w->setColourChooser([this](QWidget*, const QColor& current, const QString& title) {
            asked << title;
            shownColours << current;
            return nextColour;
        });
        w->setFontChooser([this](QWidget*, const QFont&) { return nextFont; });
        w->show();
        QCoreApplication::processEvents();
        return w;
    }
    // Every foreground colour the sample is drawn with, by text.
    std::map<QString, QColor> sampleColours(const PrefsWindow& w) {
        std::map<QString, QColor> out;
        for (QTextBlock b = w.sample()->document()->begin(); b.isValid(); b = b.next())
            for (const auto& r : b.layout()->formats())
                out[b.text().mid(r.start, r.length)] = r.format.foreground().color();
        return out;
    }
    std::unique_ptr<Preferences> loadAgain() {
        auto p = std::make_unique<Preferences>();
        p->prefsFromUserDefaults(*open());
        return p;
    }

    Preferences prefs;
    QStringList asked;
    QList<QColor> shownColours;
    QColor nextColour;
    std::optional<QFont> nextFont;
};

TEST_F(PrefsWindowTest, FreshSettingsShowTheDefaults) {
    prefs.prefsFromUserDefaults(*open());
    auto w = makeWindow();
    EXPECT_FALSE(w->autoIndentBox()->isChecked());
    EXPECT_EQ(w->sample()->toPlainText(), PrefsWindow::sampleText());
    EXPECT_EQ(w->sample()->document()->blockCount(), 14);
    EXPECT_EQ(w->sample()->font().family(), defaultFamily());
    EXPECT_TRUE(w->fontButton()->text().contains(QStringLiteral("14")));
    // Each button offers its role's default colour to the chooser.
    nextColour = QColor(); // cancelled: nothing changes
    for (ColourRole r : kRoles) {
        ASSERT_NE(w->colourButton(r), nullptr);
        EXPECT_FALSE(w->colourButton(r)->accessibleName().isEmpty());
        w->colourButton(r)->click();
        EXPECT_EQ(shownColours.back(), Preferences::defaultColour(r));
        EXPECT_EQ(prefs.colourForRole(r), Preferences::defaultColour(r));
    }
    // The sample is coloured with the defaults.
    const auto colours = sampleColours(*w);
    EXPECT_EQ(colours.at(QStringLiteral("<tag")), Preferences::defaultColour(ColourRole::Tag));
    EXPECT_EQ(colours.at(QStringLiteral("<!-- comment -->")),
              Preferences::defaultColour(ColourRole::Comment));
    EXPECT_EQ(colours.at(QStringLiteral("echo")), Preferences::defaultColour(ColourRole::Reserved));
    EXPECT_EQ(colours.at(QStringLiteral("$var")), Preferences::defaultColour(ColourRole::Variable));
}

TEST_F(PrefsWindowTest, EveryColourChangeRecoloursTheSampleAtOnce) {
    auto w = makeWindow();
    int hue = 0;
    for (ColourRole r : kRoles) {
        SCOPED_TRACE(Preferences::keyForRole(r));
        nextColour = QColor::fromHsv((hue += 37) % 360, 255, 200);
        const auto before = sampleColours(*w);
        w->actionColour(r);
        EXPECT_EQ(prefs.colourForRole(r), nextColour);
        const auto after = sampleColours(*w);
        // Some text of the sample now shows the new colour, and only the
        // text that showed the role's old colour changed.
        bool shown = false;
        for (const auto& [text, colour] : after) {
            if (colour == nextColour) {
                shown = true;
            } else if (before.count(text)) {
                EXPECT_EQ(before.at(text), colour) << text.toStdString();
            }
        }
        EXPECT_TRUE(shown);
    }
    // Nothing was stored yet: the store is written when the window closes.
    EXPECT_FALSE(open()->contains(QStringLiteral("colorTag")));
}

TEST_F(PrefsWindowTest, EveryWayOfClosingStoresEveryChoice) {
    const std::function<void(PrefsWindow&)> closes[] = {
        [](PrefsWindow& w) { w.close(); }, // the window's own close button
        [](PrefsWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); },
        [](PrefsWindow& w) { w.accept(); },
    };
    int n = 0;
    for (const auto& close : closes) {
        SCOPED_TRACE(n);
        auto w = makeWindow();
        nextColour = QColor(10 + n, 20, 30);
        w->actionColour(ColourRole::Variable);
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPointSize(9 + n);
        nextFont = font;
        w->actionSetFont();
        EXPECT_EQ(w->sample()->font().pointSize(), 9 + n);
        w->autoIndentBox()->setChecked(n % 2 == 0);
        close(*w);
        EXPECT_FALSE(w->isVisible());
        EXPECT_TRUE(w->stored());
        // The next start finds the same choices.
        const auto again = loadAgain();
        EXPECT_EQ(again->colourVar(), QColor(10 + n, 20, 30));
        EXPECT_EQ(again->font().family(), QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(again->font().pointSize(), 9 + n);
        EXPECT_EQ(again->autoIndent(), n % 2 == 0);
        EXPECT_EQ(prefs.autoIndent(), n % 2 == 0);
        for (ColourRole r : kRoles)
            EXPECT_EQ(again->colourForRole(r), prefs.colourForRole(r));
        ++n;
    }
}

TEST_F(PrefsWindowTest, ResetRemovesTheStoredValuesAndClosingStoresTheDefaults) {
    {
        auto w = makeWindow();
        nextColour = QColor(1, 2, 3);
        for (ColourRole r : kRoles)
            w->actionColour(r);
        nextFont = QFont(QStringLiteral("DejaVu Sans"), 20);
        w->actionSetFont();
        w->autoIndentBox()->setChecked(true);
        w->close();
    }
    ASSERT_TRUE(open()->contains(QStringLiteral("colorComment")));
    auto w = makeWindow();
    EXPECT_TRUE(w->autoIndentBox()->isChecked());
    w->resetButton()->click();
    // Removed from the file at once, before the window closes.
    for (const QString& key : Preferences::storedKeys())
        EXPECT_FALSE(open()->contains(key)) << key.toStdString();
    EXPECT_FALSE(w->autoIndentBox()->isChecked());
    EXPECT_EQ(sampleColours(*w).at(QStringLiteral("<tag")),
              Preferences::defaultColour(ColourRole::Tag));
    w->close();
    const auto again = loadAgain();
    for (ColourRole r : kRoles)
        EXPECT_EQ(again->colourForRole(r).toRgb(), Preferences::defaultColour(r).toRgb());
    EXPECT_EQ(again->font().pointSizeF(), 14.0);
    EXPECT_EQ(again->font().family(), defaultFamily());
    EXPECT_FALSE(again->autoIndent());
    EXPECT_TRUE(open()->contains(QStringLiteral("autoindent")));
}

TEST_F(PrefsWindowTest, ASettingsFileThatCannotBeWrittenIsReported) {
    // The settings file's folder is a plain file: nothing can be written.
    ASSERT_TRUE(test::writeFile(dir.filePath(QStringLiteral("blocked")), "x"));
    PrefsWindow w(prefs, [this] {
        return std::make_unique<QSettings>(dir.filePath(QStringLiteral("blocked/Morvane.conf")),
                                           QSettings::IniFormat);
    });
    w.show();
    test::RecordingPlatform::current().clear();
    w.close();
    ASSERT_EQ(test::RecordingPlatform::current().alerts.size(), 1);
    EXPECT_EQ(test::RecordingPlatform::current().alerts[0].title,
              QStringLiteral("Your preferences could not be saved."));
}

} // namespace
} // namespace morvane

namespace morvane {
namespace {

// Picks an entry (a family or a face) in one of the font dialog's lists,
// as a click would.
bool pick(QFontDialog& dialog, const QString& entry) {
    for (QListView* list : dialog.findChildren<QListView*>()) {
        QAbstractItemModel* model = list->model();
        for (int i = 0; model && i < model->rowCount(); ++i) {
            if (model->index(i, 0).data().toString() == entry) {
                list->setCurrentIndex(model->index(i, 0));
                return true;
            }
        }
    }
    return false;
}

TEST(FontDialog, PickingAnotherFamilyKeepsTheFaceInsteadOfTheFamilysFirst) {
    // DejaVu Sans Mono lists Oblique first; its upright face is "Book",
    // which no "Regular" or "Normal" matches by name.
    for (const char* family : {"DejaVu Sans Mono", "DejaVu Sans"})
        ASSERT_TRUE(QFontDatabase::hasFamily(QLatin1String(family)))
            << family << ": install fonts-dejavu-core";
    QFontDialog dialog(Preferences::defaultFont());
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    PrefsWindow::keepFaceAcrossFamilies(dialog);
    dialog.show();
    struct Step {
        const char* pick; // a family, or a face of the family shown
        const char* family;
        bool slanted;
        int weight;
    };
    const Step steps[] = {
        {"DejaVu Sans Mono", "DejaVu Sans Mono", false, QFont::Normal},
        {"Bold", "DejaVu Sans Mono", false, QFont::Bold},
        {"DejaVu Sans", "DejaVu Sans", false, QFont::Bold},
        {"Oblique", "DejaVu Sans", true, QFont::Normal},
        {"DejaVu Sans Mono", "DejaVu Sans Mono", true, QFont::Normal},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pick);
        ASSERT_TRUE(pick(dialog, QLatin1String(step.pick)));
        const QFont font = dialog.currentFont();
        const QFontInfo shown(font);
        EXPECT_EQ(font.family(), QLatin1String(step.family));
        EXPECT_EQ(shown.style() != QFont::StyleNormal, step.slanted)
            << shown.styleName().toStdString();
        EXPECT_EQ(shown.weight(), step.weight) << shown.styleName().toStdString();
    }
}

TEST_F(PrefsWindowTest, TheFontButtonNamesTheFace) {
    auto w = makeWindow();
    QFont oblique(QStringLiteral("DejaVu Sans Mono"));
    oblique.setStyleName(QStringLiteral("Oblique"));
    oblique.setPointSizeF(12);
    nextFont = oblique;
    w->fontButton()->click();
    EXPECT_EQ(w->fontButton()->text(), QStringLiteral("DejaVu Sans Mono Oblique 12 pt"));
}

} // namespace
} // namespace morvane
