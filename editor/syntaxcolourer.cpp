#include "editor/syntaxcolourer.h"

#include "editor/preferences.h"
#include "editor/syntax/filetype.h"
#include "editor/syntax/scanners.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>

namespace morvane {

Q_LOGGING_CATEGORY(lcColour, "morvane.syntax", QtInfoMsg)

namespace {

// One pass at a time in the whole program: the scanners' attribute changes
// must never start another pass while one runs.
bool g_passRunning = false;

// How far before an edit the search for a restart point begins, and how far
// past the estimated end of the visible text an edit pass colours.
constexpr qint64 kRestartSlack = 100;
constexpr qint64 kVisibleSlack = 200;
// How far past what it must colour an edit pass in CSS or JavaScript may go
// looking for the state it found before, and how much a background step
// colours at a time.
constexpr qint64 kConvergeBudget = qint64{64} * 1024;
constexpr qint64 kBackgroundSlice = qint64{256} * 1024;

std::u16string_view view(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size())};
}

} // namespace

SyntaxColourer::SyntaxColourer(QPlainTextEdit* editor, const RoleFormats& formats)
    : QObject(editor), m_editor(editor), m_doc(editor->document()), m_roleFormats(formats) {
    m_store.setTrackChanges(true);
    resyncFromDocument();
    connect(m_doc, &QTextDocument::contentsChange, this, &SyntaxColourer::onContentsChange);
    connect(editor->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &SyntaxColourer::boundsDidChange);
    // The editor scrolls itself to follow the cursor with the scroll bar's
    // signals blocked; its update requests still tell.
    connect(editor, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy != 0)
            boundsDidChange();
    });
    connect(editor->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &SyntaxColourer::boundsDidChange);
    m_viewport = editor->viewport();
    m_viewport->installEventFilter(this);
    // Text that was there before the colourer came is coloured on the next
    // turn of the event loop, once the editor has its size.
    if (m_store.size() > 0)
        QTimer::singleShot(0, this, [this] { syntaxColour(std::nullopt); });
}

SyntaxColourer::~SyntaxColourer() = default;

void SyntaxColourer::setFilePath(const QString& path) {
    m_path = path;
    const QString suffix = QFileInfo(path).suffix();
    const FileColouring was = m_colouring;
    m_colouring = path.isEmpty() ? FileColouring::Html : colouringForExtension(view(suffix));
    m_colourable = m_colouring != FileColouring::None;
    if (was == m_colouring)
        return;
    // A file renamed to another type shows its new colours (or none) at once,
    // the rest of a long CSS or JavaScript file in the background.
    m_checkpoints.reset(!isCodeFile());
    if (m_store.size() > 0) {
        QTimer::singleShot(0, this, [this] {
            syntaxColour(std::nullopt);
            if (isCodeFile())
                continueInBackground();
        });
    }
}

void SyntaxColourer::setRoleFormats(const RoleFormats& formats) {
    m_roleFormats = formats;
    recolourAll();
}

void SyntaxColourer::recolourAll() {
    ++m_epoch;
    refreshVisibleFormats();
    syntaxColour(std::nullopt);
}

SyntaxColourer* colourWithPreferences(QPlainTextEdit* editor, const Preferences& prefs) {
    auto formats = [&prefs] {
        RoleFormats table;
        for (int r = 1; r < kSyntaxRoleCount; ++r) {
            const QColor c = prefs.colourForRole(ColourRole(r));
            if (c.isValid())
                table[size_t(r)].setForeground(c);
        }
        return table;
    };
    auto* colourer = new SyntaxColourer(editor, formats());
    QObject::connect(&prefs, &Preferences::changed, colourer,
                     [colourer, formats] { colourer->setRoleFormats(formats()); });
    return colourer;
}

bool SyntaxColourer::eventFilter(QObject* watched, QEvent* event) {
    // Compared by address only: while the editor is being destroyed its
    // viewport still sends events, and the editor must not be touched then.
    if (watched == m_viewport && m_viewport) {
        if (event->type() == QEvent::Resize)
            boundsDidChange();
        else if (event->type() == QEvent::Paint)
            refreshVisibleFormats(); // blocks drawn for the first time since a colour change
    }
    return QObject::eventFilter(watched, event);
}

// ---- keeping the store in step with the document ----

QString SyntaxColourer::textRange(qint64 from, qint64 to) const {
    if (!m_doc || from >= to)
        return QString();
    constexpr qint64 kSmall = 1 << 16;
    if (to - from <= kSmall) {
        QTextCursor c(m_doc);
        c.setPosition(int(from));
        c.setPosition(int(to), QTextCursor::KeepAnchor);
        QString s = c.selectedText();
        // Block boundaries come back as paragraph separators; the scanners
        // see the line feeds of the text.
        s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        return s;
    }
    // Long stretches from the document's raw text: the selection route is far
    // slower there (and so is asking every block for its text).
    QString s = m_doc->toRawText();
    s.truncate(to);
    s.remove(0, from);
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return s;
}

void SyntaxColourer::resyncFromDocument() {
    if (!m_doc)
        return;
    const qint64 len = std::max(0, m_doc->characterCount() - 1);
    const QString text = textRange(0, len);
    m_store.reset(view(text));
    m_text.reset(view(text));
    m_checkpoints.reset(!isCodeFile());
    m_store.takeChanges();
}

void SyntaxColourer::onContentsChange(int position, int removed, int added) {
    if (!m_doc)
        return;
    const qint64 docLen = std::max(0, m_doc->characterCount() - 1);
    const qint64 before = m_store.size();
    const qint64 pos = position;
    // The counts may include the document's final paragraph separator, which
    // is no text position; fit them to the store and the new length.
    const qint64 gone = std::clamp<qint64>(removed, 0, std::max<qint64>(0, before - pos));
    const qint64 came = docLen - (before - gone);
    if (pos < 0 || pos > before || came < 0 || pos + came > docLen) {
        resyncFromDocument();
        // Formats drawn so far may belong to text that moved.
        for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
            if (b.layout() && !b.layout()->formats().isEmpty())
                rebuildBlock(b);
        }
    } else {
        Q_UNUSED(added);
        const QString inserted = textRange(pos, pos + came);
        m_store.replace(pos, gone, view(inserted));
        m_text.replace(pos, gone, view(inserted));
        m_checkpoints.edited(pos, gone, came);
        trackThrough(pos, pos + came);
    }
    syntaxColour(std::clamp<qint64>(pos, 0, docLen));
    flushFormats();
}

void SyntaxColourer::trackThrough(qint64 from, qint64 to) {
    // A large text that just arrived (a file opened) is scanned through once
    // without colouring, so that it holds restart points all along: a later
    // jump far into it then restarts close to what it shows instead of
    // scanning everything from the top while the user waits. Reading the
    // text in place makes this a small part of what opening costs.
    constexpr qint64 kTrackAhead = 1 << 20;
    if (!m_colourable || to - from < kTrackAhead || g_passRunning)
        return;
    if (isCodeFile()) {
        // A stylesheet or script is coloured through in the background.
        continueInBackground();
        return;
    }
    const qint64 n = std::max<qint64>(from - kRestartSlack, 0);
    scanWindow(std::max<qint64>(m_store.lastMarkedLessThan(n), 0), to, to);
}

// ---- the driver ----

bool SyntaxColourer::syntaxColour(std::optional<qint64> editedLocation) {
    if (g_passRunning)
        return false;
    g_passRunning = true;
    Q_EMIT passStarted();
    processEditing(editedLocation);
    g_passRunning = false;
    flushFormats();
    Q_EMIT passFinished();
    return true;
}

void SyntaxColourer::processEditing(std::optional<qint64> editedLocation) {
    if (!m_editor || !m_doc)
        return;
    ++m_passCount;
    m_lastPass = PassInfo{};
    m_lastPass.edit = editedLocation.has_value();
    const qint64 len = m_store.size();
    if (len == 0)
        return;

    qint64 anchor = 0;
    std::pair<qint64, qint64> vis{-1, 0};
    if (editedLocation) {
        anchor = std::clamp<qint64>(*editedLocation, 0, len);
    } else {
        vis = visibleRange();
        if (vis.first < 0)
            return;
        anchor = vis.first;
    }

    if (!m_colourable) {
        m_store.clear(0, len);
        m_lastPass.scanned = true;
        return;
    }
    if (isCodeFile()) {
        processCode(editedLocation, anchor, std::min(vis.first + vis.second, len));
        return;
    }

    // Restart at the last marked '<' at least 100 characters before the
    // anchor: the scanner starts in plain text there. Inside a <style> or
    // <script>, a saved line start after that '<' is closer.
    const qint64 n = std::max<qint64>(anchor - kRestartSlack, 0);
    qint64 windowStart = std::max<qint64>(m_store.lastMarkedLessThan(n), 0);
    const Checkpoints::Point* point = m_checkpoints.restartPoint(n);
    std::optional<ScanState> resume;
    if (point && point->pos > windowStart) {
        windowStart = point->pos;
        resume = point->state;
    }
    m_lastPass.windowStart = windowStart;

    qint64 stop = 0;
    qint64 visibleStart = 0;
    if (editedLocation) {
        stop = visibleCharacterUpperBound();
        visibleStart = windowStart;
    } else {
        stop = std::min(vis.first + vis.second, len);
        visibleStart = vis.first;
    }
    m_lastPass.stop = stop;
    m_lastPass.visibleStart = visibleStart;
    if (stop <= windowStart)
        return;
    m_lastPass.scanned = true;
    scanWindow(windowStart, stop, visibleStart, resume ? &*resume : nullptr);
}

void SyntaxColourer::scanWindow(qint64 start, qint64 stop, qint64 visibleStart,
                                const ScanState* resume) {
    if (m_text.size() != m_store.size()) {
        qCWarning(lcColour) << "text and attributes out of step; resynchronising";
        resyncFromDocument();
        return;
    }
    Checkpoints::Recorder recorder(m_checkpoints, start);
    // Up to the first '<' the scanner only collects plain text; the store
    // knows where that '<' is, so the text before it is never copied.
    // Inside a <style> or <script> it starts right away.
    const qint64 first = resume ? start : m_store.firstLessThan(start, stop);
    if (first < 0) {
        m_store.clear(start, stop);
        recorder.finish(stop);
        return;
    }
    if (first > start && first >= visibleStart)
        m_store.clear(start, first);
    // The scanners read the kept text in place: no copy out of the document,
    // however far back the restart point lies.
    scanHtml(ScanWindow{m_text.contiguous(first, stop), first, first, stop, visibleStart}, m_store,
             resume, &recorder);
    recorder.finish(stop);
}

// ---- CSS and JavaScript files ----

void SyntaxColourer::processCode(std::optional<qint64> editedLocation, qint64 anchor,
                                 qint64 visibleEnd) {
    const qint64 len = m_store.size();
    qint64 need = 0;
    if (editedLocation) {
        need = std::clamp<qint64>(std::max(visibleCharacterUpperBound(), anchor), 0, len);
    } else {
        // What is in view and already coloured stays as it is.
        need = visibleEnd;
        if (need <= m_checkpoints.trusted())
            return;
        anchor = std::min<qint64>(anchor, m_checkpoints.trusted());
    }
    const qint64 n = std::max<qint64>(anchor - kRestartSlack, 0);
    const qint64 end = scanCodeFrom(n, need, std::min(len, need + kConvergeBudget));
    m_lastPass.stop = end;
    m_lastPass.scanned = true;
    if (m_checkpoints.trusted() < len)
        continueInBackground();
}

qint64 SyntaxColourer::scanCodeFrom(qint64 limit, qint64 need, qint64 stop) {
    if (m_text.size() != m_store.size()) {
        qCWarning(lcColour) << "text and attributes out of step; resynchronising";
        resyncFromDocument();
        return 0;
    }
    // Restart at the last trusted line start before the limit, or at the top.
    const Checkpoints::Point* point = m_checkpoints.restartPoint(limit);
    const qint64 start = point ? point->pos : 0;
    const ScanState state =
        point
            ? point->state
            : ScanState::start(
                  m_colouring == FileColouring::Css ? CodeLanguage::Css : CodeLanguage::Js, false);
    m_lastPass.windowStart = start;
    m_lastPass.visibleStart = start;
    if (stop <= start)
        return start;
    Checkpoints::Recorder recorder(m_checkpoints, start, need);
    const CodeScanEnd e =
        scanCode(ScanWindow{m_text.contiguous(start, stop), start, start, stop, start}, start,
                 state, m_store, &recorder);
    recorder.finish(e.pos);
    return e.pos;
}

void SyntaxColourer::continueInBackground() {
    if (m_backgroundPosted)
        return;
    m_backgroundPosted = true;
    QTimer::singleShot(0, this, [this] {
        m_backgroundPosted = false;
        backgroundStep();
    });
}

void SyntaxColourer::backgroundStep() {
    if (!isCodeFile() || !m_doc)
        return;
    const qint64 len = m_store.size();
    const qint64 from = m_checkpoints.trusted();
    if (from >= len)
        return;
    if (g_passRunning) {
        continueInBackground();
        return;
    }
    // One slice per turn of the event loop: typing and scrolling go first.
    g_passRunning = true;
    scanCodeFrom(from, from, std::min(len, from + kBackgroundSlice));
    g_passRunning = false;
    flushFormats();
    if (m_checkpoints.trusted() < len)
        continueInBackground();
    else
        Q_EMIT backgroundFinished();
}

double SyntaxColourer::lineHeight() const {
    if (!m_editor)
        return 0;
    return QFontMetricsF(m_doc ? m_doc->defaultFont() : m_editor->font()).lineSpacing();
}

QRectF SyntaxColourer::visibleRect() const {
    if (!m_editor)
        return QRectF();
    const QWidget* vp = m_editor->viewport();
    const double h = lineHeight();
    return QRectF(m_editor->horizontalScrollBar()->value(),
                  m_editor->verticalScrollBar()->value() * h, vp->width(), vp->height());
}

std::pair<qint64, qint64> SyntaxColourer::visibleRange() const {
    if (!m_editor || !m_doc)
        return {-1, 0};
    const QWidget* vp = m_editor->viewport();
    const QTextBlock top = m_editor->cursorForPosition(QPoint(0, 0)).block();
    const QTextBlock bottom =
        m_editor
            ->cursorForPosition(QPoint(std::max(0, vp->width() - 1), std::max(0, vp->height() - 1)))
            .block();
    if (!top.isValid() || !bottom.isValid())
        return {-1, 0};
    m_shownFirst = top.blockNumber();
    m_shownLast = bottom.blockNumber();
    const qint64 len = m_store.size();
    const qint64 from = std::min<qint64>(top.position(), len);
    const qint64 to =
        std::clamp<qint64>(qint64(bottom.position()) + bottom.length() - 1, from, len);
    return {from, to - from};
}

qint64 SyntaxColourer::visibleCharacterUpperBound() const {
    const qint64 len = m_store.size();
    const float h = float(lineHeight());
    if (!(h > 0) || !m_editor || !m_doc)
        return len;
    const QRectF r = visibleRect();
    // The number of text lines from the top of the document to the bottom of
    // the visible area, counting each text line as one line on screen.
    const float bottom = float(r.y() + r.height());
    const auto lines = qint64(std::max(0.0f, bottom / h));
    qint64 reached = len;
    if (lines < m_doc->blockCount())
        reached = m_doc->findBlockByNumber(int(lines)).position();
    const qint64 bound = std::min(reached + kVisibleSlack, len);
    qCDebug(lcColour, "visibleCharacterUpperBound = %lld", static_cast<long long>(bound));
    return bound;
}

void SyntaxColourer::boundsDidChange() {
    const QRectF captured = visibleRect();
    // One scroll can be reported twice (scroll bar and update request);
    // one deferred pass per distinct rectangle is enough.
    if (m_pendingBounds > 0 && captured == m_lastPosted)
        return;
    m_lastPosted = captured;
    ++m_pendingBounds;
    qCDebug(lcColour, "post");
    QTimer::singleShot(0, this, [this, captured] { processBounds(captured); });
}

void SyntaxColourer::processBounds(const QRectF& captured) {
    --m_pendingBounds;
    const QRectF now = visibleRect();
    if (captured.intersects(now)) {
        qCDebug(lcColour, "process");
        refreshVisibleFormats();
        syntaxColour(std::nullopt);
    } else {
        qCDebug(lcColour, "\tskipped processing");
        ++m_skipped;
        Q_EMIT viewportPassSkipped();
    }
}

// ---- drawing ----

void SyntaxColourer::flushFormats() {
    if (!m_doc)
        return;
    const std::vector<AttributeStore::Span> spans = m_store.takeChanges();
    if (spans.empty())
        return;
    // Blocks in view are redrawn now. When anything changed outside the
    // view, every other block's formats count as stale (a new epoch): each
    // is rebuilt when it comes into view (or is painted: see the viewport's
    // paint events). A long pass far from the view then costs no work per
    // block, not even a walk over the blocks it touched. The view is the one
    // last measured: during an edit the editor's own layout is not updated
    // yet and cannot be asked.
    constexpr int kMargin = 8; // lines just outside the view
    const int count = m_doc->blockCount();
    const int firstShown = std::clamp(m_shownFirst - kMargin, 0, count - 1);
    const int lastShown = std::clamp(m_shownLast + kMargin, firstShown, count - 1);
    const QTextBlock firstBlock = m_doc->findBlockByNumber(firstShown);
    const QTextBlock lastBlock = m_doc->findBlockByNumber(lastShown);
    if (!firstBlock.isValid() || !lastBlock.isValid())
        return;
    const qint64 shownFrom = firstBlock.position();
    const qint64 shownTo = lastBlock.position() + lastBlock.length() - 1;
    for (const AttributeStore::Span& s : spans) {
        if (s.start < shownFrom || s.end > shownTo) {
            ++m_epoch;
            break;
        }
    }
    // Spans come mostly in text order, so the blocks are walked forwards and
    // looked up afresh only when a span lies behind the walk.
    int lastDone = -1;
    QTextBlock b;
    int number = -1;
    for (const AttributeStore::Span& s : spans) {
        const qint64 from = std::max<qint64>(s.start, shownFrom);
        const qint64 to = std::min<qint64>(s.end, shownTo);
        if (from > to)
            continue;
        if (!b.isValid() || from < b.position()) {
            b = m_doc->findBlock(int(from));
            number = b.blockNumber();
        } else {
            while (b.isValid() && b.position() + b.length() <= from) {
                b = b.next();
                ++number;
            }
        }
        while (b.isValid() && number <= lastShown) {
            if (number > lastDone) {
                rebuildBlock(b);
                lastDone = number;
            }
            if (b.position() + b.length() > to)
                break;
            b = b.next();
            ++number;
        }
    }
}

void SyntaxColourer::rebuildBlock(QTextBlock block) {
    QTextLayout* layout = block.layout();
    if (!layout || !m_doc)
        return;
    const qint64 bpos = block.position();
    const qint64 blen = std::max(0, block.length() - 1);
    QList<QTextLayout::FormatRange> ranges;
    m_store.forEachRun(bpos, bpos + blen,
                       [&](std::int64_t start, std::int64_t length, SyntaxRole role, bool) {
                           if (role == SyntaxRole::None || m_roleFormats[int(role)].isEmpty())
                               return;
                           QTextLayout::FormatRange r;
                           r.start = int(start - bpos);
                           r.length = int(length);
                           r.format = m_roleFormats[int(role)];
                           ranges.append(r);
                       });
    if (m_extraRanges)
        m_extraRanges(block, ranges);
    block.setUserState(m_epoch);
    if (ranges == layout->formats())
        return;
    layout->setFormats(ranges);
    m_doc->markContentsDirty(block.position(), block.length());
}

void SyntaxColourer::refreshVisibleFormats() {
    if (!m_editor || !m_doc)
        return;
    const std::pair<qint64, qint64> vis = visibleRange();
    if (vis.first < 0)
        return;
    QTextBlock b = m_doc->findBlock(int(vis.first));
    const int lastNumber = m_doc->findBlock(int(vis.first + vis.second)).blockNumber();
    for (int number = b.blockNumber(); b.isValid() && (lastNumber < 0 || number <= lastNumber);
         b = b.next(), ++number) {
        if (b.userState() != m_epoch)
            rebuildBlock(b);
    }
}

} // namespace morvane
