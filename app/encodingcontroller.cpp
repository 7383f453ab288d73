#include "app/encodingcontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/encoding.h"
#include "core/platform.h"
#include "core/textfile.h"
#include "editor/textview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace morvane {

namespace {

QString lineEndName(LineEnd e) {
    switch (e) {
    case LineEnd::CRLF:
        return QStringLiteral("CRLF");
    case LineEnd::CR:
        return QStringLiteral("CR");
    case LineEnd::LF:
        break;
    }
    return QStringLiteral("LF");
}

// The length of the character at `i` (two for a surrogate pair).
qsizetype charLength(QStringView text, qsizetype i) {
    return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

// Pages a browser reads as HTML: the ones that get a charset declaration.
bool isPageName(const QString& name) {
    const QString ext = name.section(QLatin1Char('.'), -1).toLower();
    if (!name.contains(QLatin1Char('.')))
        return false;
    for (const char* page : {"html", "htm", "xhtml", "shtml", "php", "phtml"})
        if (ext == QLatin1String(page))
            return true;
    return false;
}

} // namespace

EncodingController::EncodingController(MainWindow* window, OpenFilesController* openFiles,
                                       QObject* parent)
    : QObject(parent), m_label(window->labelEncoding()),
      m_reopenMenu(window->menuReopenWithEncoding()), m_saveMenu(window->menuSaveWithEncoding()),
      m_openFiles(openFiles) {
    connect(m_openFiles, &OpenFilesController::fileShown, this, [this] { updateLabel(); });
    connect(m_openFiles, &OpenFilesController::fileLoaded, this, [this](OpenFile* file) {
        attach(file);
        updateLabel();
    });
    connect(m_openFiles, &OpenFilesController::fileWritten, this, [this] { updateLabel(); });
    connect(m_reopenMenu, &QMenu::triggered, this,
            [this](QAction* a) { reopenWithEncoding(a->data().toString()); });
    connect(m_saveMenu, &QMenu::triggered, this,
            [this](QAction* a) { saveWithEncoding(a->data().toString()); });
    updateLabel();
}

QString EncodingController::describe(const OpenFile* file) {
    if (!file || file->load != FileLoad::Text || !file->editor)
        return QString();
    const TextFormat& f = file->editor->format();
    QString name = encoding::displayName(f.encoding);
    if (f.encoding == encoding::kUtf8 && f.byteOrderMark)
        name += tr(" with BOM");
    QString ends = lineEndName(f.defaultLineEnd);
    for (LineEnd e : f.lineEnds) {
        if (e != f.defaultLineEnd) {
            ends = tr("Mixed (%1)").arg(ends);
            break;
        }
    }
    return name + QStringLiteral(" \u00B7 ") + ends;
}

void EncodingController::updateLabel() {
    if (!m_label || !m_reopenMenu || !m_saveMenu)
        return;
    const OpenFile* file = m_openFiles->currentFile();
    const QString text = describe(file);
    m_label->setText(text);
    m_label->setAccessibleDescription(text);
    // A file that could not be decoded may be reopened in another encoding.
    m_reopenMenu->setEnabled(file && file->load != FileLoad::NotText &&
                             file->load != FileLoad::NotRead);
    m_saveMenu->setEnabled(!text.isEmpty());
}

OpenFile* EncodingController::fileOf(const TextView* view) const {
    for (const auto& f : m_openFiles->openFiles())
        if (f->editor == view)
            return f.get();
    return nullptr;
}

void EncodingController::attach(OpenFile* file) {
    TextView* view = file->editor;
    if (!view || view->property("morvaneEncodingCheck").toBool())
        return;
    view->setProperty("morvaneEncodingCheck", true);
    connect(view, &TextView::userInserted, this, [this, view](int position, int added) {
        const QString& enc = view->format().encoding;
        if (enc == encoding::kUtf8 || encoding::isUtf16(enc))
            return;
        // Looked at once the edit is complete: the document must not be
        // changed, nor a question asked, in the middle of an edit.
        QPointer<TextView> guard(view);
        QTimer::singleShot(0, this, [this, guard, position, added] {
            if (guard)
                checkInserted(guard, position, added);
        });
    });
}

void EncodingController::checkInserted(TextView* view, int position, int added) {
    OpenFile* file = fileOf(view);
    if (!file)
        return;
    const QString text = view->textForSaving();
    const int from = std::clamp(position, 0, int(text.size()));
    const int to = std::clamp(position + added, from, int(text.size()));
    if (encoding::canEncode(view->format().encoding, QStringView(text).sliced(from, to - from)))
        return;
    // While the question is open the answer will cover this character too.
    if (file->encodingAnswer == EncodingAnswer::NotAsked)
        resolveUnencodable(file);
    else if (file->encodingAnswer == EncodingAnswer::KeepEncoding)
        removeUnencodable(view, {from, to});
}

bool EncodingController::resolveUnencodable(OpenFile* file) {
    QPointer<TextView> view = file->editor;
    if (!view || file->encodingAnswer == EncodingAnswer::Asking)
        return false; // the open question decides
    if (file->encodingAnswer == EncodingAnswer::NotAsked) {
        const QString text = view->textForSaving();
        QByteArray ignored;
        qsizetype bad = 0;
        if (encodeText(text, view->format(), &ignored, &bad))
            return true;
        const QString ch = text.mid(bad, charLength(text, bad));
        const QString enc = encoding::displayName(view->format().encoding);
        // The question's own event loop may deliver more typed characters
        // and a save on the lost focus: they wait for this answer, which
        // covers the whole text, rather than ask again.
        file->encodingAnswer = EncodingAnswer::Asking;
        const int answer = Platform::instance().question(
            tr("\u201C%1\u201D is saved as %2, which cannot hold \u201C%3\u201D.")
                .arg(file->name(), enc, ch),
            tr("Convert the file to UTF-8 (its charset declaration is updated, or added to the "
               "page's head), or keep %1 and leave out the characters it cannot hold?")
                .arg(enc),
            {tr("Keep %1").arg(enc), tr("Convert to UTF-8")}, 0);
        // The file may have been closed meanwhile, or its editor replaced.
        const auto& open = m_openFiles->openFiles();
        if (std::none_of(open.begin(), open.end(),
                         [file](const auto& f) { return f.get() == file; }))
            return false;
        file->encodingAnswer =
            answer == 1 ? EncodingAnswer::ConvertToUtf8 : EncodingAnswer::KeepEncoding;
        if (!view || view != file->editor)
            return false;
    }
    if (file->encodingAnswer == EncodingAnswer::ConvertToUtf8) {
        convertToUtf8(file);
        return true;
    }
    removeUnencodable(view, {0, int(view->document()->characterCount())});
    return true;
}

bool EncodingController::removeUnencodable(TextView* view, std::pair<int, int> range) {
    const QString text = view->textForSaving();
    const int from = range.first;
    const int to = std::min(range.second, int(text.size()));
    const QString& enc = view->format().encoding;
    QTextCursor c(view->document());
    c.beginEditBlock();
    bool removed = false;
    // From the end, so the positions before stay valid.
    for (qsizetype i = to - 1; i >= from; --i) {
        qsizetype start = i;
        if (text[i].isLowSurrogate() && i > from && text[i - 1].isHighSurrogate())
            start = i - 1;
        const qsizetype n = charLength(text, start);
        if (!encoding::canEncode(enc, QStringView(text).sliced(start, n))) {
            c.setPosition(int(start));
            c.setPosition(int(start + n), QTextCursor::KeepAnchor);
            c.removeSelectedText();
            removed = true;
        }
        i = start;
    }
    c.endEditBlock();
    if (removed)
        QApplication::beep();
    return removed;
}

std::optional<std::pair<qsizetype, QString>>
EncodingController::utf8Declaration(const QString& text) {
    if (encoding::findDeclaredCharset(text))
        return std::nullopt;
    // Only a page with a head of its own gets one; a fragment (an include,
    // a template part) is left as it is.
    static const QRegularExpression head(QStringLiteral(R"(<head(?:\s[^<>]*)?>)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = head.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    // Not a head inside a comment or a PHP block: the page's own markup only.
    const QStringView before = QStringView(text).first(m.capturedStart());
    const auto openInside = [before](QLatin1String open, QLatin1String close) {
        return before.lastIndexOf(open) > before.lastIndexOf(close);
    };
    if (openInside(QLatin1String("<!--"), QLatin1String("-->")) ||
        openInside(QLatin1String("<?"), QLatin1String("?>")))
        return std::nullopt;
    const qsizetype at = m.capturedEnd();
    const QString meta = QStringLiteral("<meta charset=\"utf-8\">");
    if (at >= text.size() || text[at] != QLatin1Char('\n'))
        return std::make_pair(at, meta);
    // On a line of its own, indented like the line that follows.
    qsizetype end = at + 1;
    while (end < text.size() && (text[end] == QLatin1Char(' ') || text[end] == QLatin1Char('\t')))
        ++end;
    return std::make_pair(at, QLatin1Char('\n') + text.mid(at + 1, end - at - 1) + meta);
}

void EncodingController::setEncoding(OpenFile* file, const QString& name) {
    TextView* view = file->editor;
    TextFormat& format = view->format();
    // A declaration in the page must name the encoding its bytes are in.
    const QString text = view->textForSaving();
    if (const auto d = encoding::findDeclaredCharset(text)) {
        if (encoding::canonicalName(d->label) != name) {
            const QString label = name == encoding::kUtf8 ? QStringLiteral("utf-8") : name;
            QTextCursor c(view->document());
            c.setPosition(int(d->valueStart));
            c.setPosition(int(d->valueStart + d->valueLength), QTextCursor::KeepAnchor);
            c.insertText(label);
            format.declaredCharset = label;
        }
    } else if (name == encoding::kUtf8 && isPageName(file->name())) {
        // A page that declared nothing was read in the fallback encoding; a
        // browser would guess the same, so the converted page says UTF-8.
        if (const auto added = utf8Declaration(text)) {
            QTextCursor c(view->document());
            c.setPosition(int(added->first));
            c.insertText(added->second);
            format.declaredCharset = QStringLiteral("utf-8");
        }
    }
    format.encoding = name;
    format.byteOrderMark = encoding::isUtf16(name);
    // The text now differs from the file's bytes, even where no character changed.
    file->document->setModified(true);
    updateLabel();
}

void EncodingController::convertToUtf8(OpenFile* file) {
    setEncoding(file, encoding::kUtf8);
}

bool EncodingController::reopenWithEncoding(const QString& name) {
    OpenFile* file = m_openFiles->currentFile();
    if (!file || file->load == FileLoad::NotText || name.isEmpty())
        return false;
    if (file->isModified()) {
        const int answer = Platform::instance().question(
            tr("Reopen \u201C%1\u201D as %2?").arg(file->name(), encoding::displayName(name)),
            tr("Your unsaved edits are dropped."), {tr("Cancel"), tr("Reopen")}, 0);
        if (answer != 1)
            return false;
    }
    // Read as the editor reads (regular files only, within the size limit),
    // decoded as asked.
    const TextFileContents c = m_openFiles->readAgain(file, name);
    if (!c.ok) {
        Platform::instance().alert(tr("\u201C%1\u201D can't be read as %2.")
                                       .arg(file->name(), encoding::displayName(name)),
                                   c.error);
        return false;
    }
    file->encodingAnswer = EncodingAnswer::NotAsked;
    updateLabel();
    return true;
}

bool EncodingController::saveWithEncoding(const QString& name) {
    OpenFile* file = m_openFiles->currentFile();
    if (!file || !file->editor || file->load != FileLoad::Text || name.isEmpty())
        return false;
    TextFormat trial = file->editor->format();
    trial.encoding = name;
    trial.byteOrderMark = encoding::isUtf16(name);
    const QString text = file->editor->textForSaving();
    QByteArray ignored;
    qsizetype bad = 0;
    if (!encodeText(text, trial, &ignored, &bad)) {
        Platform::instance().alert(
            tr("\u201C%1\u201D can't be saved as %2.")
                .arg(file->name(), encoding::displayName(name)),
            tr("It holds \u201C%1\u201D, which %2 cannot hold.")
                .arg(text.mid(bad, charLength(text, bad)), encoding::displayName(name)));
        return false;
    }
    setEncoding(file, name);
    m_openFiles->save(OpenFilesController::SaveMode::Always);
    updateLabel();
    return !file->isModified();
}

} // namespace morvane
