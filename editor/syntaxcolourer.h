// Syntax colouring of one plain-text editor: keeps the attribute store in
// step with the editor's document, runs the scanners incrementally after
// every edit and every change of the visible area, and shows the roles as
// text-layout formats of the affected blocks, taken from a role-to-format
// table that the owner hands in (colourWithPreferences() below keeps it in
// step with the preferences). Colouring never touches the text, the undo
// history or the modified flag.
#pragma once

#include "editor/syntax/attributestore.h"
#include "editor/syntax/checkpoints.h"
#include "editor/syntax/filetype.h"
#include "editor/syntax/gaptext.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextLayout>

#include <array>
#include <functional>
#include <optional>

class QPlainTextEdit;
class QTextDocument;

namespace morvane {

class Preferences;

// The format each role is drawn with, indexed by SyntaxRole (None unused).
using RoleFormats = std::array<QTextCharFormat, kSyntaxRoleCount>;

class SyntaxColourer : public QObject {
    Q_OBJECT
public:
    // Attaches to the editor (becomes its child) and follows its document,
    // scroll bars and viewport size by itself. Roles are drawn with
    // `formats` (empty formats draw nothing).
    explicit SyntaxColourer(QPlainTextEdit* editor, const RoleFormats& formats = {});
    ~SyntaxColourer() override;

    // The file shown: htm, html and php in any letter case, and names
    // without an extension, are coloured as HTML, css as CSS, js and mjs as
    // JavaScript; an empty path (no file, such as the preferences sample)
    // counts as HTML.
    void setFilePath(const QString& path);
    QString filePath() const { return m_path; }
    bool isColourable() const { return m_colourable; }
    FileColouring colouring() const { return m_colouring; }
    // Spelling looks only at comments (and not at the text) in CSS and
    // JavaScript files.
    bool isCodeFile() const {
        return m_colouring == FileColouring::Css || m_colouring == FileColouring::Js;
    }
    // Whether the whole text of a CSS or JavaScript file is coloured (the
    // rest of a long file is coloured in the background after an edit).
    bool isColouringComplete() const { return m_checkpoints.trusted() >= m_store.size(); }

    // Draws the roles with new formats from now on: redraws the visible
    // blocks and recolours the visible text.
    void setRoleFormats(const RoleFormats& formats);
    const RoleFormats& roleFormats() const { return m_roleFormats; }

    // Redraws every visible block and recolours the visible text (when the
    // program replaced the text while the editor was hidden).
    void recolourAll();

    // One pass: an edit pass at `editedLocation`, or a viewport pass over the
    // visible text when it is empty. Returns false when ignored because a
    // pass is already running.
    bool syntaxColour(std::optional<qint64> editedLocation);

    // Notes a change of the visible area: captures the visible rectangle and
    // runs a viewport pass on the next turn of the event loop, unless the
    // rectangle no longer meets the visible one by then.
    void boundsDidChange();

    // The visible part of the text view in document coordinates: x is the
    // horizontal scroll offset, y the top line times the line height.
    QRectF visibleRect() const;
    // The characters of the visible lines: (location, length), location -1
    // when nothing is laid out. Asks the editor's layout, so it must not be
    // called while the document reports a change.
    std::pair<qint64, qint64> visibleRange() const;
    // An estimate of the end of the visible text plus slack, from the number
    // of text lines down to the bottom of the visible area.
    qint64 visibleCharacterUpperBound() const;

    const AttributeStore& store() const { return m_store; }
    // The text as the colourer holds it (block breaks as line feeds).
    const GapText& text() const { return m_text; }

    // Further ranges drawn over a block's roles (the spelling marks): asked
    // each time a block's formats are rebuilt.
    using ExtraRanges = std::function<void(const QTextBlock&, QList<QTextLayout::FormatRange>&)>;
    void setExtraRanges(ExtraRanges extra) { m_extraRanges = std::move(extra); }
    // Rebuilds the formats of one block now (its further ranges changed).
    void redrawBlock(const QTextBlock& block) { rebuildBlock(block); }

    // What the last pass did, for diagnostics and tests.
    struct PassInfo {
        bool edit = false;
        bool scanned = false; // the scanner ran (or the file type cleared all)
        qint64 windowStart = -1;
        qint64 stop = -1;
        qint64 visibleStart = -1;
    };
    PassInfo lastPass() const { return m_lastPass; }
    int passCount() const { return m_passCount; }
    int skippedViewportPasses() const { return m_skipped; }

Q_SIGNALS:
    // Emitted inside a pass, while further passes are refused.
    void passStarted();
    void passFinished();
    // A CSS or JavaScript file has been coloured to its end in the background.
    void backgroundFinished();
    // A deferred viewport pass was dropped because the view moved away.
    void viewportPassSkipped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onContentsChange(int position, int removed, int added);
    void resyncFromDocument();
    void processEditing(std::optional<qint64> editedLocation);
    void scanWindow(qint64 start, qint64 stop, qint64 visibleStart,
                    const ScanState* resume = nullptr);
    void processCode(std::optional<qint64> editedLocation, qint64 anchor, qint64 visibleEnd);
    qint64 scanCodeFrom(qint64 limit, qint64 need, qint64 stop);
    void continueInBackground();
    void backgroundStep();
    void trackThrough(qint64 from, qint64 to);
    void processBounds(const QRectF& captured);
    QString textRange(qint64 from, qint64 to) const;
    double lineHeight() const;
    void flushFormats();
    void rebuildBlock(QTextBlock block);
    void refreshVisibleFormats();

    QPointer<QPlainTextEdit> m_editor;
    QPointer<QObject> m_viewport;
    QPointer<QTextDocument> m_doc;
    AttributeStore m_store;
    // The text, kept in step with the document for the scanners to read.
    GapText m_text;
    QString m_path;
    bool m_colourable = true;
    FileColouring m_colouring = FileColouring::Html;
    // Scanner states at line starts inside CSS and JavaScript.
    Checkpoints m_checkpoints;
    bool m_backgroundPosted = false;
    int m_epoch = 0;     // bumped when the role formats change
    QRectF m_lastPosted; // the rectangle of the latest deferred viewport pass
    int m_pendingBounds = 0;
    mutable int m_shownFirst = 0; // blocks in view when last measured
    mutable int m_shownLast = -1;
    RoleFormats m_roleFormats;
    ExtraRanges m_extraRanges;
    PassInfo m_lastPass;
    int m_passCount = 0;
    int m_skipped = 0;
};

// A colourer for `editor` that draws with the preference colours and follows
// their changes; `prefs` must outlive it.
SyntaxColourer* colourWithPreferences(QPlainTextEdit* editor, const Preferences& prefs);

} // namespace morvane
