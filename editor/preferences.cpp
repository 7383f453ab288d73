#include "editor/preferences.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QSettings>

#include <cmath>

namespace morvane {

Preferences::Preferences(QObject* parent) : QObject(parent) {
    for (int i = 1; i < kColourRoleCount; ++i)
        m_colours[i] = defaultColour(ColourRole(i));
    m_font = defaultFont();
}

const char* Preferences::keyForRole(ColourRole role) {
    switch (role) {
    case ColourRole::Tag:
        return "colorTag";
    case ColourRole::Attribute:
        return "colorAttr";
    case ColourRole::Parameter:
        return "colorParam";
    case ColourRole::Php:
        return "colorPHP";
    case ColourRole::PhpDelimiter:
        return "colorPHPDelim";
    case ColourRole::Identifier:
        return "colorKW";
    case ColourRole::Reserved:
        return "colorKWReserved";
    case ColourRole::Variable:
        return "colorVar";
    case ColourRole::Comment:
        return "colorComment";
    case ColourRole::String:
        return "colorString";
    case ColourRole::Number:
        return "colorNumber";
    case ColourRole::CssSelector:
        return "colorCSSSelector";
    case ColourRole::CssProperty:
        return "colorCSSProperty";
    case ColourRole::CssAtRule:
        return "colorCSSAtRule";
    case ColourRole::Regex:
        return "colorRegex";
    case ColourRole::None:
        break;
    }
    return "";
}

QColor Preferences::defaultColour(ColourRole role) {
    switch (role) {
    case ColourRole::Tag:
    case ColourRole::Variable:
        return QColor::fromRgbF(128 / 255.f, 0, 64 / 255.f);
    case ColourRole::Attribute:
    case ColourRole::Identifier:
        return QColor::fromRgbF(0, 96 / 255.f, 96 / 255.f);
    case ColourRole::Parameter:
        return QColor::fromRgbF(219 / 255.f, 112 / 255.f, 147 / 255.f);
    case ColourRole::Php:
        return QColor(Qt::black);
    case ColourRole::PhpDelimiter:
        return QColor::fromRgbF(1, 0, 0);
    case ColourRole::Reserved:
        return QColor::fromRgbF(0, 0, 1);
    case ColourRole::Comment:
        return QColor::fromRgbF(1, 165 / 255.f, 0);
    case ColourRole::String:
        return QColor(163, 21, 21);
    case ColourRole::Number:
        return QColor(9, 134, 88);
    case ColourRole::CssSelector:
        return QColor(128, 0, 64);
    case ColourRole::CssProperty:
        return QColor(0, 96, 96);
    case ColourRole::CssAtRule:
        return QColor(0, 0, 255);
    case ColourRole::Regex:
        return QColor(128, 0, 160);
    case ColourRole::None:
        break;
    }
    return QColor();
}

namespace {
// The font database needs the window system; a tool without one (the
// command-line colouring) takes the names as they are.
bool canAskFontDatabase() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// The system's fixed-width font, by the name of the family it resolves to
// (not a generic alias such as "monospace", which the font button would
// show as it is).
QFont systemFixedFont() {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QString resolved = QFontInfo(fixed).family();
    if (!resolved.isEmpty())
        fixed.setFamily(resolved);
    return fixed;
}
} // namespace

QFont Preferences::defaultFont() {
    // Menlo where installed; otherwise the system's fixed-width font.
    QFont font(QStringLiteral("Menlo"));
    if (canAskFontDatabase() && !QFontDatabase::hasFamily(font.family()))
        font = systemFixedFont();
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(14);
    return font;
}

QFont Preferences::installedFont(const QFont& font) {
    if (!canAskFontDatabase() || QFontDatabase::hasFamily(font.family()))
        return font;
    // A font of another machine (a copied settings file): the system's
    // fixed-width font at the stored size, in the regular style.
    QFont fixed = systemFixedFont();
    if (font.pointSizeF() > 0)
        fixed.setPointSizeF(font.pointSizeF());
    else if (font.pixelSize() > 0)
        fixed.setPixelSize(font.pixelSize());
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    return fixed;
}

namespace {

// Each colour space is written with its own components, so that a colour
// reads back in the space it was chosen in and with the same values. Integer
// RGB keeps its 16-bit components; the others are written as floats with
// enough digits to give back the exact stored values.
QString floatList(std::initializer_list<float> values) {
    QStringList parts;
    for (float v : values)
        parts << QString::number(double(v), 'g', 9);
    return parts.join(QLatin1Char(','));
}

bool parseFloats(const QString& text, int count, float* out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        out[i] = parts[i].toFloat(&ok);
        if (!ok || !std::isfinite(out[i]))
            return false;
    }
    return true;
}

bool inUnitRange(const float* v, int count) {
    for (int i = 0; i < count; ++i)
        if (v[i] < 0.f || v[i] > 1.f)
            return false;
    return true;
}

} // namespace

QString Preferences::colourToText(const QColor& colour) {
    switch (colour.spec()) {
    case QColor::Invalid:
        return QString();
    case QColor::Hsv:
        return QStringLiteral("hsv:") + floatList({colour.hsvHueF(), colour.hsvSaturationF(),
                                                   colour.valueF(), colour.alphaF()});
    case QColor::Hsl:
        return QStringLiteral("hsl:") + floatList({colour.hslHueF(), colour.hslSaturationF(),
                                                   colour.lightnessF(), colour.alphaF()});
    case QColor::Cmyk:
        return QStringLiteral("cmyk:") +
               floatList({colour.cyanF(), colour.magentaF(), colour.yellowF(), colour.blackF(),
                          colour.alphaF()});
    case QColor::ExtendedRgb:
        return QStringLiteral("extrgb:") +
               floatList({colour.redF(), colour.greenF(), colour.blueF(), colour.alphaF()});
    case QColor::Rgb:
        break;
    }
    const QRgba64 c = colour.rgba64();
    return QStringLiteral("rgba64:%1,%2,%3,%4")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

QColor Preferences::colourFromText(const QString& text) {
    if (text.startsWith(QLatin1String("rgba64:"))) {
        const QStringList parts = text.mid(7).split(QLatin1Char(','));
        if (parts.size() != 4)
            return QColor();
        quint16 v[4];
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            const uint n = parts[i].toUInt(&ok);
            if (!ok || n > 0xffff)
                return QColor();
            v[i] = quint16(n);
        }
        return QColor(QRgba64::fromRgba64(v[0], v[1], v[2], v[3]));
    }
    float v[5];
    const auto tagged = [&](QLatin1String tag, int count) {
        return text.startsWith(tag) && parseFloats(text.mid(tag.size()), count, v);
    };
    // A hue of -1 marks a colour without hue (a grey).
    const auto hueOk = [&] { return v[0] == -1.f || (v[0] >= 0.f && v[0] <= 1.f); };
    if (tagged(QLatin1String("hsv:"), 4))
        return hueOk() && inUnitRange(v + 1, 3) ? QColor::fromHsvF(v[0], v[1], v[2], v[3])
                                                : QColor();
    if (tagged(QLatin1String("hsl:"), 4))
        return hueOk() && inUnitRange(v + 1, 3) ? QColor::fromHslF(v[0], v[1], v[2], v[3])
                                                : QColor();
    if (tagged(QLatin1String("cmyk:"), 5))
        return inUnitRange(v, 5) ? QColor::fromCmykF(v[0], v[1], v[2], v[3], v[4]) : QColor();
    if (tagged(QLatin1String("extrgb:"), 4)) {
        if (!inUnitRange(v + 3, 1))
            return QColor();
        QColor c(QColor::ExtendedRgb); // stays extended even for components within 0..1
        c.setRgbF(v[0], v[1], v[2], v[3]);
        return c;
    }
    if (text.contains(QLatin1Char(':')))
        return QColor();
    // Also accept a plain colour name ("#804000", "red") written by hand.
    return QColor::fromString(text);
}

void Preferences::setColourForRole(ColourRole role, const QColor& colour) {
    if (role == ColourRole::None)
        return;
    m_colours[int(role)] = colour;
    Q_EMIT changed();
}

void Preferences::setFont(const QFont& font) {
    m_font = font;
    Q_EMIT changed();
}

void Preferences::prefsFromUserDefaults(QSettings& settings) {
    for (int i = 1; i < kColourRoleCount; ++i) {
        const auto role = ColourRole(i);
        const QVariant v = settings.value(QLatin1String(keyForRole(role)));
        QColor c = v.typeId() == QMetaType::QString ? colourFromText(v.toString()) : QColor();
        m_colours[i] = c.isValid() ? c : defaultColour(role);
    }
    // A key whose value cannot be read at all still counts as a stored font
    // (which then keeps the current one), not as a missing key.
    const QVariant f = settings.value(QStringLiteral("font"));
    if (!settings.contains(QStringLiteral("font"))) {
        m_font = defaultFont();
    } else {
        QFont font;
        if (f.typeId() == QMetaType::QString && font.fromString(f.toString()))
            m_font = installedFont(font);
        // An unreadable stored font keeps the current one.
    }
    setAutoIndent(autoIndentFromStored(settings.value(QStringLiteral("autoindent"))));
    Q_EMIT changed();
}

bool Preferences::autoIndentFromStored(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toLongLong() != 0;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        break;
    default:
        return false;
    }
    // A settings file holds text: a plain toBool() would read "NO" (what
    // older versions wrote) as true, since only "", "0" and "false" are false.
    const QString text = value.toString().trimmed().toLower();
    return text == QLatin1String("yes") || text == QLatin1String("true") ||
           text == QLatin1String("1") || text == QLatin1String("on");
}

void Preferences::setAutoIndent(bool on) {
    if (m_autoIndent == on)
        return;
    m_autoIndent = on;
    Q_EMIT autoIndentChanged(on);
}

QStringList Preferences::storedKeys() {
    static constexpr ColourRole kStoredOrder[] = {
        ColourRole::Tag,         ColourRole::Attribute,    ColourRole::Parameter,
        ColourRole::Php,         ColourRole::PhpDelimiter, ColourRole::Identifier,
        ColourRole::Reserved,    ColourRole::Variable,     ColourRole::Comment,
        ColourRole::String,      ColourRole::Number,       ColourRole::CssSelector,
        ColourRole::CssProperty, ColourRole::CssAtRule,    ColourRole::Regex,
    };
    QStringList keys;
    for (ColourRole role : kStoredOrder)
        keys << QLatin1String(keyForRole(role));
    keys << QStringLiteral("font") << QStringLiteral("autoindent");
    return keys;
}

void Preferences::resetUserDefaults(QSettings& settings) {
    for (const QString& key : storedKeys())
        settings.remove(key);
    prefsFromUserDefaults(settings);
}

void Preferences::saveToUserDefaults(QSettings& settings) const {
    for (int i = 1; i < kColourRoleCount; ++i)
        settings.setValue(QLatin1String(keyForRole(ColourRole(i))), colourToText(m_colours[i]));
    settings.setValue(QStringLiteral("font"), m_font.toString());
    settings.setValue(QStringLiteral("autoindent"), m_autoIndent);
}

} // namespace morvane
