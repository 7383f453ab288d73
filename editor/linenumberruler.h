// The line-number ruler: a gutter beside a plain-text editor's viewport that
// shows the 1-based number of every line whose start is visible, right-
// aligned, and asks for more width when the line count needs more digits.
// It keeps a table of line starts, rebuilt lazily (at most once per edit,
// normally by the next drawing). Markers show an image on their line and
// draw its number in the alternate colour.
#pragma once

#include "editor/linetable.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMetaObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <map>
#include <optional>
#include <vector>

class QPlainTextEdit;

namespace morvane {

// A marker on one line of the ruler (1-based line number).
class LineNumberMarker {
public:
    // The line number arrives as a floating-point number and is kept
    // truncated to a whole number.
    LineNumberMarker(double lineNumber, QImage image, QPointF imageOrigin);
    quint64 lineNumber() const { return m_lineNumber; }
    void setLineNumber(quint64 line) { m_lineNumber = line; }
    const QImage& image() const { return m_image; }
    QPointF imageOrigin() const { return m_imageOrigin; }

private:
    quint64 m_lineNumber;
    QImage m_image;
    QPointF m_imageOrigin;
};

class LineNumberRuler : public QWidget {
    Q_OBJECT
public:
    explicit LineNumberRuler(QPlainTextEdit* client, QWidget* parent = nullptr);
    ~LineNumberRuler() override;

    // Follows another editor: edits of the previous one no longer reach the
    // table. nullptr turns numbering off.
    void setClientView(QPlainTextEdit* client);
    QPlainTextEdit* clientView() const { return m_client; }

    // The line-start table, rebuilt first when out of date. Edits keep an
    // up-to-date table in step without a rebuild.
    const std::vector<std::int64_t>& lineIndices();
    void invalidateLineIndices();
    // How many times the table was rebuilt from the whole document (for
    // tests and measurements).
    int rebuildCount() const { return m_rebuilds; }

    // The 0-based line containing a text position.
    qint64 lineNumberForCharacterIndex(qint64 index);
    // The 1-based line whose first screen line covers the vertical position
    // `y` of the ruler, or kNotFound.
    qint64 lineNumberForLocation(qreal y);

    void addMarker(const LineNumberMarker& marker);
    void removeMarker(const LineNumberMarker& marker);
    void setMarkers(const std::vector<LineNumberMarker>& markers);
    // The marker of a 1-based line, or nullptr.
    const LineNumberMarker* markerAtLine(quint64 line) const;

    // Settings; an invalid colour or an unset font means the default. The
    // setters do not redraw.
    QFont rulerFont() const;
    void setRulerFont(const QFont& font);
    QColor textColour() const;
    void setTextColour(const QColor& colour);
    QColor alternateTextColour() const;
    void setAlternateTextColour(const QColor& colour);
    QColor backgroundColour() const { return m_backgroundColour; }
    void setBackgroundColour(const QColor& colour);

    static QFont defaultFont();
    static QColor defaultTextColour();

    // The colour the numbers are drawn in on `background`: `colour` itself
    // when it is readable there, else the nearest grey that is.
    static QColor readableOn(const QColor& colour, const QColor& background);
    // The background the numbers are drawn on: the set one, else the
    // editor's.
    QColor effectiveBackground() const;

    // The width the ruler needs for the current line count.
    int requiredThickness();
    int ruleThickness() const { return m_thickness; }
    void setRuleThickness(int thickness);

    QSize sizeHint() const override { return QSize(m_thickness, 0); }

    // What a drawing of the ruler shows: each label with its 0-based line,
    // the top and height of the line's first screen line (ruler
    // coordinates), and whether the line has a marker.
    struct Label {
        qint64 line;
        qreal top;
        qreal height;
        bool marked;
    };
    std::vector<Label> visibleLabels();

Q_SIGNALS:
    // The ruler's width changed; the editor makes room for it.
    void ruleThicknessChanged(int thickness);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void textDidChange(int position, int removed, int added);
    void calculateLines();
    void checkThickness();
    void noteInnerTerminators(qint64 position, const QString& text);

    QPointer<QPlainTextEdit> m_client;
    QMetaObject::Connection m_contentsConnection;
    QMetaObject::Connection m_scrollConnection;
    std::vector<std::int64_t> m_lineIndices;
    bool m_valid = false;
    // Starts of lines that begin inside a block of the document (after
    // U+2028 or U+0085: the document splits blocks at every other end).
    std::vector<std::int64_t> m_innerStarts;
    qint64 m_length = 0; // the text length the inner starts belong to
    std::map<quint64, LineNumberMarker> m_linesToMarkers; // 0-based line → marker
    std::optional<QFont> m_font;
    QColor m_textColour;
    QColor m_alternateTextColour;
    QColor m_backgroundColour;
    int m_thickness = 22;
    int m_rebuilds = 0;
    bool m_thicknessPending = false;
};

} // namespace morvane
