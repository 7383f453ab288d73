// The editor's colour, font and auto-indent preferences: their defaults, a
// stored form that gives back exactly what was stored, and sound values when
// the store holds something unreadable.

#include "editor/preferences.h"
#include "inisettings.h"
#include "qtprinters.h"
#include "testenv.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QFontDatabase>
#include <QFontInfo>

#include <gtest/gtest.h>

#include <memory>

namespace morvane {
namespace {

// The default editor font's family: Menlo where it is installed, else the
// system's fixed-width font (never a family the machine lacks).
QString defaultFamily() {
    if (QFontDatabase::hasFamily(QStringLiteral("Menlo")))
        return QStringLiteral("Menlo");
    return QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
}

using test::readFile;
using test::writeFile;

constexpr ColourRole kRoles[] = {
    ColourRole::Tag,         ColourRole::Attribute, ColourRole::Parameter,
    ColourRole::Comment,     ColourRole::Php,       ColourRole::PhpDelimiter,
    ColourRole::Identifier,  ColourRole::Reserved,  ColourRole::Variable,
    ColourRole::String,      ColourRole::Number,    ColourRole::CssSelector,
    ColourRole::CssProperty, ColourRole::CssAtRule, ColourRole::Regex,
};

class PrefsTest : public test::IniSettingsTest {};

// Colours compared by their components and colour space, not just by how they
// look: "exactly what was stored".
void expectSameColour(const QColor& got, const QColor& want) {
    EXPECT_EQ(got.spec(), want.spec());
    EXPECT_EQ(got, want) << got.name(QColor::HexArgb).toStdString() << " vs "
                         << want.name(QColor::HexArgb).toStdString();
    EXPECT_EQ(got.rgba64(), want.rgba64());
}

TEST_F(PrefsTest, FreshStoreGivesTheDefaults) {
    auto s = open();
    Preferences p;
    p.prefsFromUserDefaults(*s);
    EXPECT_EQ(p.colourTag().toRgb(), QColor(128, 0, 64));
    EXPECT_EQ(p.colourAttr().toRgb(), QColor(0, 96, 96));
    EXPECT_EQ(p.colourParam().toRgb(), QColor(219, 112, 147));
    EXPECT_EQ(p.colourPHP().toRgb(), QColor(0, 0, 0));
    EXPECT_EQ(p.colourPHPDelim().toRgb(), QColor(255, 0, 0));
    EXPECT_EQ(p.colourKW().toRgb(), QColor(0, 96, 96));
    EXPECT_EQ(p.colourKWReserved().toRgb(), QColor(0, 0, 255));
    EXPECT_EQ(p.colourVar().toRgb(), QColor(128, 0, 64));
    EXPECT_EQ(p.colourComment().toRgb(), QColor(255, 165, 0));
    for (ColourRole r : kRoles)
        EXPECT_EQ(p.colourForRole(r).alpha(), 255) << Preferences::keyForRole(r);
    EXPECT_FALSE(p.colourForRole(ColourRole::None).isValid());
    EXPECT_EQ(p.font().family(), defaultFamily());
    EXPECT_EQ(p.font().pointSizeF(), 14.0);
    EXPECT_EQ(p.font().styleHint(), QFont::Monospace);
    EXPECT_FALSE(p.autoIndent());
}

TEST_F(PrefsTest, KeysAreTheStoredNames) {
    QStringList keys;
    for (ColourRole r : kRoles)
        keys << QString::fromLatin1(Preferences::keyForRole(r));
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"colorAttr", "colorCSSAtRule", "colorCSSProperty",
                                 "colorCSSSelector", "colorComment", "colorKW", "colorKWReserved",
                                 "colorNumber", "colorPHP", "colorPHPDelim", "colorParam",
                                 "colorRegex", "colorString", "colorTag", "colorVar"}));
    {
        auto s = open();
        Preferences p;
        p.setAutoIndent(true);
        p.saveToUserDefaults(*s);
    }
    auto s = open();
    QStringList stored = s->allKeys();
    stored.sort();
    QStringList expected = keys + QStringList{"autoindent", "font"};
    expected.sort();
    EXPECT_EQ(stored, expected);
}

QColor extended(float r, float g, float b, float a) {
    QColor c(QColor::ExtendedRgb);
    c.setRgbF(r, g, b, a);
    return c;
}

std::vector<QColor> awkwardColours() {
    return {
        QColor(1, 2, 3),
        QColor(10, 20, 30, 40),
        QColor(QRgba64::fromRgba64(0x1234, 0xABCD, 0xFFFF, 0x0001)),
        QColor(Qt::transparent),
        QColor::fromRgbF(128 / 255.f, 0, 64 / 255.f),
        QColor::fromHsv(200, 37, 91),
        QColor::fromHsvF(0.123456f, 0.5f, 0.25f, 0.75f),
        QColor::fromHsv(-1, 0, 128), // achromatic: no hue
        QColor::fromHsl(300, 200, 10, 99),
        QColor::fromCmyk(1, 2, 3, 4, 5),
        QColor::fromRgbF(1.5f, -0.25f, 0.5f).toExtendedRgb(),
        extended(0.1f, 0.2f, 0.3f, 0.5f),
    };
}

TEST_F(PrefsTest, ColourTextFormIsLossless) {
    for (const QColor& c : awkwardColours()) {
        SCOPED_TRACE(c.name(QColor::HexArgb).toStdString() + " spec " +
                     std::to_string(int(c.spec())));
        const QString text = Preferences::colourToText(c);
        ASSERT_FALSE(text.isEmpty());
        expectSameColour(Preferences::colourFromText(text), c);
    }
    EXPECT_TRUE(Preferences::colourToText(QColor()).isEmpty());
}

TEST_F(PrefsTest, StoredValuesComeBackAfterARestart) {
    const std::vector<QColor> colours = awkwardColours();
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(11.5);
    font.setItalic(true);
    font.setWeight(QFont::Bold);
    {
        auto s = open();
        Preferences p;
        int i = 0;
        for (ColourRole r : kRoles)
            p.setColourForRole(r, colours[size_t(i++) % colours.size()]);
        p.setFont(font);
        p.setAutoIndent(true);
        p.saveToUserDefaults(*s);
    }
    auto s = open();
    Preferences p;
    p.prefsFromUserDefaults(*s);
    int i = 0;
    for (ColourRole r : kRoles) {
        SCOPED_TRACE(Preferences::keyForRole(r));
        expectSameColour(p.colourForRole(r), colours[size_t(i++) % colours.size()]);
    }
    EXPECT_EQ(p.font().family(), font.family());
    EXPECT_EQ(p.font().pointSizeF(), 11.5);
    EXPECT_TRUE(p.font().italic());
    EXPECT_EQ(p.font().weight(), QFont::Bold);
    EXPECT_TRUE(p.autoIndent());
}

TEST_F(PrefsTest, UnreadableColoursFallBackToTheirDefaults) {
    auto s = openWith("[General]\n"
                      "colorTag=garbage\n"
                      "colorAttr=rgba64:1,2,3\n"
                      "colorParam=rgba64:70000,0,0,65535\n"
                      "colorPHP=rgba64:-1,0,0,65535\n"
                      "colorPHPDelim=1, 2, 3\n"
                      "colorKW=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n"
                      "colorKWReserved=\n"
                      "colorVar=rgba64:1,2,3,4,5\n"
                      "colorComment=#zzzzzz\n");
    Preferences p;
    p.prefsFromUserDefaults(*s);
    for (ColourRole r : kRoles) {
        SCOPED_TRACE(Preferences::keyForRole(r));
        expectSameColour(p.colourForRole(r), Preferences::defaultColour(r));
    }
}

TEST_F(PrefsTest, HandWrittenColourNamesAreAccepted) {
    auto s = openWith("[General]\ncolorTag=#102030\ncolorComment=red\n");
    Preferences p;
    p.prefsFromUserDefaults(*s);
    EXPECT_EQ(p.colourTag().toRgb(), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(p.colourComment().toRgb(), QColor(255, 0, 0));
}

TEST_F(PrefsTest, UnreadableFontKeepsTheCurrentOneAndMissingFontIsTheDefault) {
    QFont mine(QStringLiteral("DejaVu Sans"));
    mine.setPointSize(9);
    Preferences p;
    p.setFont(mine);
    auto s = openWith("[General]\nfont=\nautoindent=true\n");
    p.prefsFromUserDefaults(*s);
    EXPECT_EQ(p.font().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(p.font().pointSize(), 9);
    EXPECT_TRUE(p.autoIndent());

    s = openWith("[General]\nfont=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)\n");
    p.prefsFromUserDefaults(*s);
    EXPECT_EQ(p.font().family(), QStringLiteral("DejaVu Sans"));

    s = openWith("[General]\nautoindent=false\n");
    p.prefsFromUserDefaults(*s);
    EXPECT_EQ(p.font().family(), defaultFamily());
    EXPECT_EQ(p.font().pointSizeF(), 14.0);
    EXPECT_FALSE(p.autoIndent());
}

TEST_F(PrefsTest, AFontTheMachineLacksBecomesTheSystemFixedWidthFontAtItsSize) {
    // Menlo is not installed on most Linux machines: neither the default nor
    // a stored font may name a family that is not there.
    EXPECT_TRUE(QFontDatabase::hasFamily(Preferences::defaultFont().family()))
        << Preferences::defaultFont().family().toStdString();
    EXPECT_EQ(Preferences::defaultFont().pointSizeF(), 14.0);

    struct Case {
        QString family;
        double size;
        QString expected;
    };
    const QString fixed = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    const Case cases[] = {
        {QStringLiteral("No Such Family 4711"), 11, fixed},
        {QStringLiteral("Menlo"), 13,
         QFontDatabase::hasFamily(QStringLiteral("Menlo")) ? QStringLiteral("Menlo") : fixed},
        {QStringLiteral("DejaVu Sans"), 9, QStringLiteral("DejaVu Sans")}, // installed: kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family.toStdString());
        QFont stored(c.family);
        stored.setPointSizeF(c.size);
        auto s = open();
        s->setValue(QStringLiteral("font"), stored.toString());
        Preferences p;
        p.prefsFromUserDefaults(*s);
        EXPECT_EQ(p.font().family(), c.expected);
        EXPECT_EQ(p.font().pointSizeF(), c.size);
        EXPECT_TRUE(QFontDatabase::hasFamily(p.font().family()));
    }
}

TEST_F(PrefsTest, AutoIndentIsReadAsABooleanWhateverTextHoldsIt) {
    struct Case {
        const char* stored;
        bool expected;
    };
    // Older versions wrote YES and NO; "no" must never read as on.
    const Case cases[] = {
        {"YES", true},    {"NO", false},    {"no", false}, {"yes", true},         {"true", true},
        {"false", false}, {"1", true},      {"0", false},  {"On", true},          {"off", false},
        {" NO ", false},  {"maybe", false}, {"", false},   {"@Invalid()", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        // Settings files of the same size written within the same second may be
        // taken for the one already read: every case's file differs in size.
        const QByteArray padding(qsizetype(20) * ++n, 'x');
        auto s =
            openWith(QByteArray("[General]\nautoindent=") + c.stored + "\npad=" + padding + "\n");
        Preferences p;
        p.setAutoIndent(!c.expected);
        p.prefsFromUserDefaults(*s);
        EXPECT_EQ(p.autoIndent(), c.expected);
    }
    EXPECT_TRUE(Preferences::autoIndentFromStored(QVariant(true)));
    EXPECT_FALSE(Preferences::autoIndentFromStored(QVariant(0)));
    EXPECT_FALSE(Preferences::autoIndentFromStored(QVariant()));

    // Written as a boolean, and read back as the same boolean.
    for (bool on : {true, false}) {
        {
            auto s = open();
            Preferences p;
            p.setAutoIndent(on);
            p.saveToUserDefaults(*s);
        }
        EXPECT_TRUE(readFile(iniPath()).contains(on ? "autoindent=true" : "autoindent=false"));
        Preferences p;
        p.prefsFromUserDefaults(*open());
        EXPECT_EQ(p.autoIndent(), on);
    }
}

TEST_F(PrefsTest, ResetRemovesEveryStoredValue) {
    {
        auto s = openWith("[General]\ncolorTag=#102030\nfont=x\nautoindent=true\nother=kept\n");
        Preferences p;
        p.setColourForRole(ColourRole::Comment, Qt::green);
        p.saveToUserDefaults(*s);
        p.resetUserDefaults(*s);
        EXPECT_EQ(p.colourComment(), Preferences::defaultColour(ColourRole::Comment));
        EXPECT_FALSE(p.autoIndent());
        EXPECT_EQ(p.font().family(), defaultFamily());
    }
    auto s = open();
    EXPECT_EQ(s->allKeys(), QStringList{"other"});
    EXPECT_EQ(Preferences::storedKeys().size(), 17);
    EXPECT_EQ(Preferences::storedKeys().first(), QStringLiteral("colorTag"));
    EXPECT_EQ(Preferences::storedKeys().last(), QStringLiteral("autoindent"));
}

TEST_F(PrefsTest, ChangesAreAnnounced) {
    Preferences p;
    QSignalSpy spy(&p, &Preferences::changed);
    p.setColourForRole(ColourRole::Tag, QColor(Qt::green));
    p.setFont(QFont(QStringLiteral("DejaVu Sans")));
    EXPECT_EQ(spy.count(), 2);
    p.setColourForRole(ColourRole::None, QColor(Qt::green)); // no such role: nothing happens
    EXPECT_EQ(spy.count(), 2);
    EXPECT_FALSE(p.colourForRole(ColourRole::None).isValid());
    EXPECT_EQ(p.colourTag(), QColor(Qt::green));
}

} // namespace
} // namespace morvane
