#include "prefscontroller.h"

#include <QFontDatabase>
#include <QSettings>

namespace morvane {

PrefsController::PrefsController(QObject* parent) : QObject(parent) {
    for (int i = 1; i < kColourRoleCount; ++i)
        m_colors[i] = defaultColor(ColourRole(i));
    m_font = defaultFont();
}

const char* PrefsController::keyForRole(ColourRole role) {
    switch (role) {
    case ColourRole::Tag: return "colorTag";
    case ColourRole::Attribute: return "colorAttr";
    case ColourRole::Parameter: return "colorParam";
    case ColourRole::Php: return "colorPHP";
    case ColourRole::PhpDelimiter: return "colorPHPDelim";
    case ColourRole::Identifier: return "colorKW";
    case ColourRole::Reserved: return "colorKWReserved";
    case ColourRole::Variable: return "colorVar";
    case ColourRole::Comment: return "colorComment";
    case ColourRole::None: break;
    }
    return "";
}

QColor PrefsController::defaultColor(ColourRole role) {
    switch (role) {
    case ColourRole::Tag:
    case ColourRole::Variable: return QColor::fromRgbF(128 / 255.f, 0, 64 / 255.f);
    case ColourRole::Attribute:
    case ColourRole::Identifier: return QColor::fromRgbF(0, 96 / 255.f, 96 / 255.f);
    case ColourRole::Parameter: return QColor::fromRgbF(219 / 255.f, 112 / 255.f, 147 / 255.f);
    case ColourRole::Php: return QColor(Qt::black);
    case ColourRole::PhpDelimiter: return QColor::fromRgbF(1, 0, 0);
    case ColourRole::Reserved: return QColor::fromRgbF(0, 0, 1);
    case ColourRole::Comment: return QColor::fromRgbF(1, 165 / 255.f, 0);
    case ColourRole::None: break;
    }
    return QColor();
}

QFont PrefsController::defaultFont() {
    // Menlo where installed; otherwise fontconfig picks the system monospace.
    QFont font(QStringLiteral("Menlo"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(14);
    return font;
}

QString PrefsController::colorToText(const QColor& color) {
    if (!color.isValid())
        return QString();
    // Extended RGB keeps its floating components; everything else goes through
    // 16-bit RGBA, which is exact for the 8- and 16-bit colours we produce.
    const QRgba64 c = color.rgba64();
    return QStringLiteral("rgba64:%1,%2,%3,%4")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

QColor PrefsController::colorFromText(const QString& text) {
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
    // Also accept a plain colour name ("#804000", "red") written by hand.
    QColor c = QColor::fromString(text);
    return c;
}

void PrefsController::setColorForRole(ColourRole role, const QColor& color) {
    if (role == ColourRole::None)
        return;
    m_colors[int(role)] = color;
    Q_EMIT changed();
}

void PrefsController::setFont(const QFont& font) {
    m_font = font;
    Q_EMIT changed();
}

void PrefsController::prefsFromUserDefaults(QSettings& settings) {
    for (int i = 1; i < kColourRoleCount; ++i) {
        const auto role = ColourRole(i);
        const QVariant v = settings.value(QLatin1String(keyForRole(role)));
        QColor c = v.typeId() == QMetaType::QString ? colorFromText(v.toString()) : QColor();
        m_colors[i] = c.isValid() ? c : defaultColor(role);
    }
    const QVariant f = settings.value(QStringLiteral("font"));
    if (!f.isValid()) {
        m_font = defaultFont();
    } else {
        QFont font;
        if (f.typeId() == QMetaType::QString && font.fromString(f.toString()))
            m_font = font;
        // An unreadable stored font keeps the current one.
    }
    const QVariant ai = settings.value(QStringLiteral("autoindent"));
    m_autoIndent = ai.isValid() && ai.toBool();
    Q_EMIT changed();
}

void PrefsController::saveToUserDefaults(QSettings& settings) const {
    for (int i = 1; i < kColourRoleCount; ++i)
        settings.setValue(QLatin1String(keyForRole(ColourRole(i))), colorToText(m_colors[i]));
    settings.setValue(QStringLiteral("font"), m_font.toString());
    settings.setValue(QStringLiteral("autoindent"), m_autoIndent);
}

} // namespace morvane
