#include "editor/linenumberruler.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

qint64 textLength(const QTextDocument* doc) {
    return doc ? std::max(0, doc->characterCount() - 1) : 0;
}

// Text of [from, to) of the document, with block breaks as line feeds.
QString documentText(const QTextDocument* doc, qint64 from, qint64 to) {
    if (!doc || from >= to)
        return QString();
    if (to - from <= (1 << 16)) {
        QTextCursor c(const_cast<QTextDocument*>(doc));
        c.setPosition(int(from));
        c.setPosition(int(to), QTextCursor::KeepAnchor);
        return c.selectedText();
    }
    QString all = doc->toRawText();
    all.truncate(to);
    all.remove(0, from);
    return all;
}

double relativeLuminance(const QColor& colour) {
    const QColor c = colour.toRgb();
    const auto channel = [](float v) {
        return v <= 0.04045f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Contrast the numbers keep with their background (the usual threshold for
// body text).
constexpr double kReadableContrast = 4.5;

} // namespace

LineNumberMarker::LineNumberMarker(double lineNumber, QImage image, QPointF imageOrigin)
    : m_lineNumber(lineNumber > 0 ? quint64(lineNumber) : 0), m_image(std::move(image)),
      m_imageOrigin(imageOrigin) {}

LineNumberRuler::LineNumberRuler(QPlainTextEdit* client, QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Line numbers"));
    setClientView(client);
    m_thickness = requiredThickness();
}

LineNumberRuler::~LineNumberRuler() {
    disconnect(m_contentsConnection);
    disconnect(m_scrollConnection);
}

void LineNumberRuler::setClientView(QPlainTextEdit* client) {
    if (m_client != client) {
        disconnect(m_contentsConnection);
        disconnect(m_scrollConnection);
    }
    m_client = client;
    m_innerStarts.clear();
    m_length = 0;
    invalidateLineIndices();
    if (!client)
        return;
    m_length = textLength(client->document());
    m_contentsConnection = connect(client->document(), &QTextDocument::contentsChange, this,
                                   &LineNumberRuler::textDidChange);
    m_scrollConnection =
        connect(client, &QPlainTextEdit::updateRequest, this, [this](const QRect& r, int dy) {
            if (dy)
                update();
            else
                update(0, r.y(), width(), r.height());
        });
    noteInnerTerminators(0, documentText(client->document(), 0, textLength(client->document())));
}

void LineNumberRuler::noteInnerTerminators(qint64 position, const QString& text) {
    // Block breaks are the document's own; U+2028 and U+0085 end lines
    // inside a block.
    std::vector<std::int64_t> found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar::LineSeparator || c == QChar(0x85))
            found.push_back(position + i + 1);
    }
    if (found.empty())
        return;
    const auto at = std::lower_bound(m_innerStarts.begin(), m_innerStarts.end(), found.front());
    m_innerStarts.insert(at, found.begin(), found.end());
}

void LineNumberRuler::textDidChange(int position, int removed, int added) {
    Q_UNUSED(added);
    const QTextDocument* doc = m_client ? m_client->document() : nullptr;
    if (!doc)
        return;
    // The counts may include the document's final block break, which is no
    // text position: they are fitted to the old and new lengths.
    const qint64 newLength = textLength(doc);
    const qint64 pos = std::clamp<qint64>(position, 0, newLength);
    const qint64 gone = std::clamp<qint64>(removed, 0, std::max<qint64>(0, m_length - pos));
    const qint64 came = newLength - (m_length - gone);
    if (position < 0 || position > m_length || came < 0 || pos + came > newLength) {
        // The counts do not fit (the document was cleared and refilled):
        // start again from the whole text.
        m_length = newLength;
        m_innerStarts.clear();
        noteInnerTerminators(0, documentText(doc, 0, newLength));
        invalidateLineIndices();
        update();
        return;
    }
    m_length = newLength;
    const QString inserted = documentText(doc, pos, pos + came);
    // Line starts inside the replaced text go (a start follows its line's
    // end, so the starts in (pos, pos + gone]); those after it move; the ends
    // in the inserted text add theirs. The inner starts (which a full
    // rebuild needs) and, while it is up to date, the table itself are kept
    // so, without walking the document.
    const auto edit = [&](std::vector<std::int64_t>& starts, bool innerOnly) {
        const auto first = std::upper_bound(starts.begin(), starts.end(), pos);
        const auto last = std::upper_bound(first, starts.end(), pos + gone);
        const auto at = starts.erase(first, last) - starts.begin();
        for (auto it = starts.begin() + at; it != starts.end(); ++it)
            *it += came - gone;
        std::vector<std::int64_t> found;
        for (qsizetype i = 0; i < inserted.size(); ++i) {
            const QChar c = inserted[i];
            if (c == QChar::LineSeparator || c == QChar(0x85) ||
                (!innerOnly && (c == QChar::ParagraphSeparator || c == u'\n')))
                found.push_back(pos + i + 1);
        }
        starts.insert(starts.begin() + at, found.begin(), found.end());
    };
    edit(m_innerStarts, true);
    if (m_valid) {
        edit(m_lineIndices, false);
        // Every block starts a line, and so does every inner start: a table
        // that does not add up is rebuilt rather than trusted.
        if (m_lineIndices.size() != size_t(doc->blockCount()) + m_innerStarts.size())
            invalidateLineIndices();
        else
            checkThickness();
    }
    update();
}

void LineNumberRuler::invalidateLineIndices() {
    m_valid = false;
}

const std::vector<std::int64_t>& LineNumberRuler::lineIndices() {
    if (!m_valid)
        calculateLines();
    return m_lineIndices;
}

void LineNumberRuler::calculateLines() {
    const QTextDocument* doc = m_client ? m_client->document() : nullptr;
    if (!doc)
        return;
    ++m_rebuilds;
    m_lineIndices.clear();
    m_lineIndices.reserve(size_t(doc->blockCount()) + m_innerStarts.size());
    // Every block starts a line (the document breaks blocks at line feeds,
    // carriage returns and U+2029); lines that start inside a block follow
    // their block's start. A final block break leaves an empty last block:
    // the empty line after a final line end has its own number.
    auto inner = m_innerStarts.cbegin();
    qint64 pos = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        m_lineIndices.push_back(pos);
        pos += b.length();
        for (; inner != m_innerStarts.cend() && *inner < pos; ++inner)
            m_lineIndices.push_back(*inner);
    }
    m_valid = true;
    checkThickness();
}

void LineNumberRuler::checkThickness() {
    const int required = requiredThickness();
    if (std::abs(required - m_thickness) > 1 && !m_thicknessPending) {
        // Not now: this usually runs while the ruler is being drawn.
        m_thicknessPending = true;
        QTimer::singleShot(0, this, [this] {
            m_thicknessPending = false;
            setRuleThickness(requiredThickness());
        });
    }
}

qint64 LineNumberRuler::lineNumberForCharacterIndex(qint64 index) {
    return lineOfPosition(lineIndices(), index);
}

qint64 LineNumberRuler::lineNumberForLocation(qreal y) {
    if (!m_client)
        return kNotFound;
    const std::vector<std::int64_t>& lines = lineIndices();
    if (lines.empty())
        return kNotFound;
    // The line under y, then a look at its start and the next line's start:
    // only the first screen line of a line answers.
    const int hit = m_client->cursorForPosition(QPoint(0, int(std::floor(y)))).position();
    const qint64 line = lineOfPosition(lines, hit);
    QTextCursor c(m_client->document());
    for (qint64 n = std::max<qint64>(0, line - 1); n <= line + 1 && n < qint64(lines.size()); ++n) {
        c.setPosition(int(std::min<qint64>(lines[size_t(n)], textLength(m_client->document()))));
        const QRect r = m_client->cursorRect(c);
        if (r.top() <= y && y < r.top() + r.height())
            return n + 1;
    }
    return kNotFound;
}

void LineNumberRuler::addMarker(const LineNumberMarker& marker) {
    m_linesToMarkers.insert_or_assign(marker.lineNumber() - 1, marker);
}

void LineNumberRuler::removeMarker(const LineNumberMarker& marker) {
    m_linesToMarkers.erase(marker.lineNumber() - 1);
}

void LineNumberRuler::setMarkers(const std::vector<LineNumberMarker>& markers) {
    m_linesToMarkers.clear();
    for (const LineNumberMarker& m : markers)
        addMarker(m);
}

const LineNumberMarker* LineNumberRuler::markerAtLine(quint64 line) const {
    const auto it = m_linesToMarkers.find(line - 1);
    return it == m_linesToMarkers.end() ? nullptr : &it->second;
}

QFont LineNumberRuler::defaultFont() {
    // The system's label font at the size of its smallest controls.
    QFont font = QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont);
    const QFont general = QGuiApplication::font();
    if (font.pointSizeF() <= 0 || font.pointSizeF() >= general.pointSizeF())
        font.setPointSizeF(std::max(7.0, general.pointSizeF() * 0.8));
    return font;
}

QColor LineNumberRuler::defaultTextColour() {
    return QColor::fromRgbF(0.42f, 0.42f, 0.42f, 1.0f);
}

QFont LineNumberRuler::rulerFont() const {
    return m_font ? *m_font : defaultFont();
}
void LineNumberRuler::setRulerFont(const QFont& font) {
    if (!m_font || *m_font != font)
        m_font = font;
}
QColor LineNumberRuler::textColour() const {
    return m_textColour.isValid() ? m_textColour : defaultTextColour();
}
void LineNumberRuler::setTextColour(const QColor& colour) {
    m_textColour = colour;
}
QColor LineNumberRuler::alternateTextColour() const {
    return m_alternateTextColour.isValid() ? m_alternateTextColour : QColor(Qt::white);
}
void LineNumberRuler::setAlternateTextColour(const QColor& colour) {
    m_alternateTextColour = colour;
}
void LineNumberRuler::setBackgroundColour(const QColor& colour) {
    m_backgroundColour = colour;
}

QColor LineNumberRuler::readableOn(const QColor& colour, const QColor& background) {
    if (!background.isValid() || contrast(colour, background) >= kReadableContrast)
        return colour;
    // Lighter on a dark background, darker on a light one, keeping the hue.
    const bool lighten = relativeLuminance(background) < 0.18;
    QColor c = colour.toHsl();
    const float hue = c.hslHueF();
    const float sat = c.hslSaturationF();
    for (float l = c.lightnessF(); lighten ? l <= 1.f : l >= 0.f; l += lighten ? 0.02f : -0.02f) {
        const QColor candidate = QColor::fromHslF(hue, sat, std::clamp(l, 0.f, 1.f));
        if (contrast(candidate, background) >= kReadableContrast)
            return candidate.toRgb();
    }
    return contrast(Qt::black, background) >= contrast(Qt::white, background) ? QColor(Qt::black)
                                                                              : QColor(Qt::white);
}

QColor LineNumberRuler::effectiveBackground() const {
    if (m_backgroundColour.isValid())
        return m_backgroundColour;
    if (m_client)
        return m_client->viewport()->palette().color(m_client->viewport()->backgroundRole());
    return palette().color(QPalette::Base);
}

int LineNumberRuler::requiredThickness() {
    const size_t n = m_valid ? m_lineIndices.size() : (m_client ? lineIndices().size() : 0);
    const int digits = digitsForLineCount(n);
    const qreal w = QFontMetricsF(rulerFont()).horizontalAdvance(QString(digits, u'8'));
    return int(std::ceil(std::max(w + 10, 22.0)));
}

void LineNumberRuler::setRuleThickness(int thickness) {
    if (thickness == m_thickness)
        return;
    m_thickness = thickness;
    Q_EMIT ruleThicknessChanged(thickness);
}

std::vector<LineNumberRuler::Label> LineNumberRuler::visibleLabels() {
    std::vector<Label> labels;
    if (!m_client)
        return labels;
    const std::vector<std::int64_t>& lines = lineIndices();
    if (lines.empty())
        return labels;
    // The visible characters: from the first screen line's start to the end
    // of the last visible block. A line whose start is above the view has
    // no label, even when its later screen lines show.
    const QWidget* vp = m_client->viewport();
    const QTextCursor top = m_client->cursorForPosition(QPoint(0, 0));
    const QTextCursor bottom = m_client->cursorForPosition(
        QPoint(std::max(0, vp->width() - 1), std::max(0, vp->height() - 1)));
    const qint64 vloc = top.position();
    const QTextBlock lastBlock = bottom.block();
    const qint64 vend = std::max<qint64>(
        vloc, lastBlock.isValid() ? lastBlock.position() + lastBlock.length() - 1 : vloc);
    QTextCursor at(m_client->document());
    const qint64 length = textLength(m_client->document());
    for (qint64 line = lineOfPosition(lines, vloc); line < qint64(lines.size()); ++line) {
        const qint64 p = lines[size_t(line)];
        if (p > vend + 1)
            break;
        if (p < vloc || p > vend)
            continue;
        at.setPosition(int(std::min<qint64>(p, length)));
        const QRect f = m_client->cursorRect(at);
        // The editor reports the block at the top of the view even when
        // only its later screen lines show: a start wholly above the view
        // has no label.
        if (f.y() + f.height() <= 0)
            continue;
        if (f.y() >= vp->height())
            break;
        labels.push_back(
            {line, qreal(f.y()), qreal(f.height()), markerAtLine(quint64(line) + 1) != nullptr});
    }
    return labels;
}

void LineNumberRuler::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    QPainter painter(this);
    const QRectF bounds = rect();
    const QColor background = effectiveBackground();
    painter.fillRect(bounds, background);
    if (m_backgroundColour.isValid()) {
        painter.setPen(QColor::fromRgbF(0.58f, 0.58f, 0.58f));
        painter.drawLine(QPointF(bounds.right(), bounds.top()),
                         QPointF(bounds.right() - 0.5, bounds.bottom()));
    }
    const QFont font = rulerFont();
    painter.setFont(font);
    const QFontMetricsF fm(font);
    const QColor normal = readableOn(textColour(), background);
    const QColor marked = readableOn(alternateTextColour(), background);
    const qreal width = bounds.width();
    for (const Label& label : visibleLabels()) {
        const LineNumberMarker* marker =
            label.marked ? markerAtLine(quint64(label.line) + 1) : nullptr;
        if (marker && !marker->image().isNull()) {
            const QImage& img = marker->image();
            painter.drawImage(QPointF(width - img.width() - 1,
                                      label.top + label.height / 2.0 - marker->imageOrigin().y()),
                              img);
        }
        // Right-aligned 5 points from the edge, centred on the first screen
        // line of the line.
        const QString text = QString::number(label.line + 1);
        const qreal lw = fm.horizontalAdvance(text);
        painter.setPen(label.marked ? marked : normal);
        painter.drawText(
            QPointF(width - lw - 5, label.top + (label.height - fm.height()) / 2 + fm.ascent()),
            text);
    }
}

} // namespace morvane
