#include "app/openfilescontroller.h"

#include "app/filenotice.h"
#include "app/mainwindow.h"
#include "app/previewview.h"
#include "core/platform.h"
#include "core/textfile.h"
#include "editor/preferences.h"
#include "editor/syntaxcolourer.h"
#include "editor/textview.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QTreeView>
#include <QUrl>

#include <algorithm>

namespace morvane {

OpenFilesController::OpenFilesController(MainWindow* window, const Preferences* prefs,
                                         QObject* parent)
    : QObject(parent), m_window(window), m_prefs(prefs) {
    connect(m_window->popupOpenFiles(), qOverload<int>(&QComboBox::activated), this,
            &OpenFilesController::popupActivated);
    connect(m_window->tabView(), &QTabWidget::currentChanged, this,
            &OpenFilesController::tabChanged);
}

OpenFilesController::~OpenFilesController() = default;

TextView* OpenFilesController::currentTextView() const {
    return m_current ? m_current->editor.data() : nullptr;
}

OpenFile* OpenFilesController::findByPath(const QString& path) const {
    for (const auto& f : m_openFiles)
        if (f->path() == path)
            return f.get();
    return nullptr;
}

void OpenFilesController::openItem(FileSystemItem* item) {
    if (!item || item->numberOfChildren() >= 0)
        return;
    const QString path = item->fullPath();
    bool found = false;
    for (const auto& f : m_openFiles) {
        if (f->path() == path) {
            // The file was removed and made again: follow the tree's new node.
            if (f->item != item && !f->item->isAttached()) {
                f->item = item;
                f->document->setPath(path);
            }
            showCurrentFile(f.get());
            found = true;
        }
    }
    if (found)
        return;
    auto file = std::make_unique<OpenFile>();
    file->item = item;
    OpenFile* raw = file.get();
    newDocument(raw);
    m_openFiles.push_back(std::move(file));
    setOpenFilePopup();
    showCurrentFile(raw);
}

void OpenFilesController::newDocument(OpenFile* file) {
    const bool large = file->document && file->document->largeFileAllowed();
    file->document = std::make_unique<TextDocument>(file->path());
    TextDocument* doc = file->document.get();
    if (large)
        doc->allowLargeFile();
    connect(doc, &TextDocument::textRead, this, [this, file] { Q_EMIT fileLoaded(file); });
    connect(doc, &TextDocument::saved, this, &OpenFilesController::saved);
    connect(doc, &TextDocument::diskStateChanged, this,
            [this, file] { Q_EMIT diskStateChanged(file); });
}

void OpenFilesController::retireEditor(OpenFile* file) {
    TextView* view = file->editor;
    if (!view)
        return;
    // An editor never outlives the document it shows: the document is
    // handed to the editor, to go with it, and falls silent.
    if (file->document && file->document.get() == view->textDocument()) {
        TextDocument* doc = file->document.release();
        doc->blockSignals(true);
        doc->setParent(view);
    }
    view->deleteLater();
    file->editor = nullptr;
}

TextView* OpenFilesController::createEditor(OpenFile* file) {
    auto* view = new TextView(m_prefs, file->document.get(), m_window->editorStack());
    view->setObjectName(QStringLiteral("textView"));
    view->setAccessibleName(tr("Text of %1").arg(file->name()));
    m_window->editorStack()->addWidget(view);
    file->editor = view;
    Q_EMIT editorCreated(view, file->path());
    connect(view, &TextView::editingEnded, this, [this, view] {
        if (currentTextView() == view)
            save(SaveMode::IfEdited);
    });
    return view;
}

void OpenFilesController::showNotice(OpenFile* file, const QString& title, const QString& detail,
                                     bool canRetry) {
    auto* notice = qobject_cast<FileNotice*>(file->notice.data());
    if (!notice) {
        notice = new FileNotice(m_window->editorStack());
        m_window->editorStack()->addWidget(notice);
        file->notice = notice;
        connect(notice, &FileNotice::retryRequested, this, [this, notice] {
            for (const auto& f : m_openFiles) {
                if (f->notice == notice) {
                    OpenFile* file = f.get();
                    if (loadFile(file, true) && file == m_current) {
                        m_current = nullptr; // show it afresh, now in its editor
                        showCurrentFile(file);
                    }
                    return;
                }
            }
        });
    }
    notice->setMessage(title, detail, canRetry);
}

void OpenFilesController::dropEditorAndNotice(OpenFile* file) {
    retireEditor(file);
    if (file->notice)
        file->notice->deleteLater();
    file->notice = nullptr;
}

bool OpenFilesController::loadFile(OpenFile* file, bool askAboutSize) {
    const QString path = file->path();
    if (path.isEmpty())
        return false;
    TextDocument* doc = file->document.get();
    doc->setPath(path);
    TextFileContents c = doc->readFile();
    if (c.status == ReadStatus::TooLarge && askAboutSize) {
        const int answer = Platform::instance().question(
            tr("\u201C%1\u201D is %2 MB. Open it anyway?")
                .arg(file->name())
                .arg(c.size / kMegabyte),
            tr("A file this large takes long to open and needs much memory."),
            {tr("Don't Open"), tr("Open")}, 0);
        if (answer == 1) {
            doc->allowLargeFile();
            c = doc->readFile();
        }
    }
    const QString name = file->name();
    switch (c.status) {
    case ReadStatus::Ok:
        if (!file->editor)
            createEditor(file);
        if (file->notice)
            file->notice->deleteLater();
        file->notice = nullptr;
        file->load = FileLoad::Text;
        file->problem.clear();
        doc->take(c);
        return true;
    case ReadStatus::NotText:
        // Never put in an editor: no keystroke and no save can reach it.
        file->load = FileLoad::NotText;
        file->editMode = false;
        file->problem = tr("\u201C%1\u201D is not a text file.").arg(name);
        showNotice(file, file->problem,
                   tr("It is shown in the Preview tab, and is never changed here."), false);
        break;
    case ReadStatus::TooLarge:
        file->load = FileLoad::Unreadable;
        file->problem = c.error;
        showNotice(file, tr("\u201C%1\u201D was not opened.").arg(name), c.error, true);
        break;
    case ReadStatus::NotRegular:
    case ReadStatus::Unreadable:
    case ReadStatus::Undecodable:
        file->load = FileLoad::Unreadable;
        file->problem = c.error;
        showNotice(file, tr("\u201C%1\u201D could not be read.").arg(name), c.error,
                   c.status != ReadStatus::NotRegular);
        break;
    }
    if (file->editor && !file->isModified()) {
        // A file that was text and no longer is: its clean editor goes, and
        // a later read starts afresh.
        retireEditor(file);
        newDocument(file);
    }
    return false;
}

bool OpenFilesController::readFileIntoTextView(OpenFile* file) {
    if (!file || file->path().isEmpty())
        return false;
    if (file->load != FileLoad::Text)
        return loadFile(file, true);
    if (file->editor)
        file->document->checkDisk();
    return file->load == FileLoad::Text;
}

TextFileContents OpenFilesController::readAgain(OpenFile* file, const QString& encoding) {
    TextDocument* doc = file->document.get();
    doc->setPath(file->path());
    TextFileContents c = doc->readFile(encoding);
    if (!c.ok)
        return c;
    if (!file->editor) {
        // A file that could not be read until now (another encoding chosen).
        createEditor(file);
        if (file->notice)
            file->notice->deleteLater();
        file->notice = nullptr;
        file->load = FileLoad::Text;
        file->problem.clear();
        file->editMode = true;
        doc->take(c);
        if (file == m_current) {
            m_current = nullptr; // show it afresh, now in its editor
            showCurrentFile(file);
        }
    } else {
        doc->take(c);
    }
    return c;
}

void OpenFilesController::showOpenFile(OpenFile* file) {
    if (m_showing || !file)
        return;
    m_showing = true;
    if (m_window->hasWebView())
        m_window->webView()->widget()->hide();

    // A file is read when first shown; one that could not be read is tried
    // again each time it is shown.
    if (file->load == FileLoad::NotRead)
        loadFile(file, true);
    else if (file->load == FileLoad::Unreadable)
        loadFile(file, false);

    QWidget* page = file->editor ? static_cast<QWidget*>(file->editor.data()) : file->notice.data();
    if (TextView* view = file->editor) {
        QTextCursor c = view->textCursor();
        const int length = view->document()->characterCount() - 1;
        const int start = std::clamp(file->rangeStart, 0, length);
        c.setPosition(start);
        c.setPosition(std::clamp(start + file->rangeLength, 0, length), QTextCursor::KeepAnchor);
        view->setTextCursor(c);
    }
    m_window->editorStack()->setCurrentWidget(page ? page : m_window->editorPlaceholder());

    {
        const QSignalBlocker block(m_window->tabView());
        m_window->tabView()->setCurrentIndex(file->editMode ? 0 : 1);
    }
    if (file->editMode) {
        if (page)
            page->setFocus(Qt::OtherFocusReason);
        if (file->editor)
            file->editor->ensureCursorVisible();
    } else {
        Q_EMIT previewRequested(file);
    }
    m_showing = false;
    Q_EMIT fileShown(file);
}

void OpenFilesController::showCurrentFile(OpenFile* file) {
    if (!file || file == m_current)
        return;
    m_current = file;
    QComboBox* popup = m_window->popupOpenFiles();
    for (int i = 0; i < popup->count(); ++i) {
        if (popup->itemData(i).value<void*>() == file) {
            showOpenFile(file);
            popup->setCurrentIndex(i);
        }
    }
}

void OpenFilesController::setOpenFilePopup() {
    QComboBox* popup = m_window->popupOpenFiles();
    const QSignalBlocker block(popup);
    popup->clear();
    std::stable_sort(m_openFiles.begin(), m_openFiles.end(),
                     [](const auto& a, const auto& b) { return a->name() < b->name(); });
    int selected = -1;
    for (const auto& f : m_openFiles) {
        popup->addItem(f->name(), QVariant::fromValue<void*>(f.get()));
        popup->setItemData(popup->count() - 1, f->path(), Qt::ToolTipRole);
        if (f.get() == m_current)
            selected = popup->count() - 1;
    }
    if (selected < 0 && popup->count() > 0)
        selected = 0;
    popup->setCurrentIndex(selected);
}

void OpenFilesController::popupActivated(int index) {
    auto* file = static_cast<OpenFile*>(m_window->popupOpenFiles()->itemData(index).value<void*>());
    if (!file)
        return;
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    save(SaveMode::IfEdited);
    showCurrentFile(file);
    Q_EMIT popupChoseFile(file);
}

void OpenFilesController::tabChanged(int index) {
    if (m_showing)
        return;
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    save(SaveMode::IfEdited);
    if (!m_current) {
        return;
    }
    m_current->editMode = index == 0;
    showOpenFile(m_current);
}

bool OpenFilesController::writeText(OpenFile* file, QString* error) {
    TextDocument* doc = file->document.get();
    doc->setPath(file->path());
    qsizetype bad = -1;
    if (!doc->save(error, &bad)) {
        if (bad < 0)
            return false;
        // A character the encoding cannot hold: never write bytes that would
        // read back as something else. The user may convert the file.
        const QString text = doc->text();
        const QString ch =
            text.mid(bad, bad + 1 < text.size() && text[bad].isHighSurrogate() ? 2 : 1);
        Q_EMIT cannotEncode(file);
        if (!file->document || !doc->save(error, &bad)) {
            if (bad >= 0)
                *error = tr("\u201C%1\u201D is saved as %2, which cannot hold the character "
                            "\u201C%3\u201D.")
                             .arg(file->name(), encoding::displayName(doc->format().encoding), ch);
            return false;
        }
    }
    Q_EMIT fileWritten(file);
    return true;
}

void OpenFilesController::save(SaveMode mode) {
    OpenFile* file = m_current;
    if (!file || m_saving)
        return;
    TextView* view = file->editor;
    if (view) {
        const QTextCursor c = view->textCursor();
        file->rangeStart = c.selectionStart();
        file->rangeLength = c.selectionEnd() - c.selectionStart();
    }
    // Only a file that is in an editor is ever written or marked here: a
    // file that is not text, or could not be read, stays as it is on disk.
    if (!file->editMode || file->path().isEmpty() || !view || file->load != FileLoad::Text)
        return;
    if (!file->isModified() && mode == SaveMode::IfEdited)
        return;
    // The question about a character the encoding cannot hold takes the
    // focus from the editor: the answer decides what is written, later.
    if (file->encodingAnswer == EncodingAnswer::Asking)
        return;
    // A failed save shows an alert, which moves the focus again; do not let
    // that start a second save of the same file.
    m_saving = true;
    // Another program's version is never written over, nor marked, until
    // the user chose which version to keep.
    if (file->document->checkDisk() != DiskState::Same) {
        m_saving = false;
        return;
    }
    // A file whose write fails stays modified, so the next trigger tries
    // again, and is not marked: the server must not get the old file as if
    // current. A written file is marked by its document's saved().
    if (file->isModified()) {
        QString error;
        if (!writeText(file, &error))
            Platform::instance().alert(tr("Error writing file."), error);
    } else if (mode == SaveMode::Always) {
        file->document->markSaved();
        Q_EMIT saved(file->path());
    }
    m_saving = false;
}

bool OpenFilesController::writeAndMark(OpenFile* file) {
    if (!file || !file->editor || file->load != FileLoad::Text)
        return false;
    QString error;
    if (!writeText(file, &error)) {
        Platform::instance().alert(tr("Error writing file."), error);
        return false;
    }
    return true;
}

void OpenFilesController::closeCurrent() {
    OpenFile* file = m_current;
    if (!file)
        return;
    save(SaveMode::IfEdited);
    // Edits that are not on disk (the write failed, or another program's
    // version waits for the user's choice) keep the file open.
    if (file->isModified())
        return;
    closeFile(file);
}

void OpenFilesController::closeFile(OpenFile* file) {
    auto it = std::find_if(m_openFiles.begin(), m_openFiles.end(),
                           [file](const auto& f) { return f.get() == file; });
    if (it == m_openFiles.end())
        return;
    Q_EMIT fileClosing(file);
    // The next file in the pop-up's order, else the one before.
    OpenFile* next = nullptr;
    if (it + 1 != m_openFiles.end())
        next = (it + 1)->get();
    else if (it != m_openFiles.begin())
        next = (it - 1)->get();
    const bool wasCurrent = file == m_current;
    dropEditorAndNotice(file);
    if (wasCurrent)
        m_current = nullptr;
    m_openFiles.erase(it);
    setOpenFilePopup();
    if (!wasCurrent)
        return;
    if (next) {
        showCurrentFile(next);
        Q_EMIT popupChoseFile(next);
    } else {
        showNothing();
        m_window->outlineView()->clearSelection();
    }
}

void OpenFilesController::showNothing() {
    m_window->editorStack()->setCurrentWidget(m_window->editorPlaceholder());
    Q_EMIT fileShown(nullptr);
}

void OpenFilesController::closeAll() {
    m_current = nullptr;
    for (const auto& f : m_openFiles) {
        Q_EMIT fileClosing(f.get());
        dropEditorAndNotice(f.get());
    }
    m_openFiles.clear();
    showNothing();
    setOpenFilePopup();
}

void OpenFilesController::forgetPath(const QString& path) {
    const QString prefix = path + QLatin1Char('/');
    auto gone = [&](const std::unique_ptr<OpenFile>& f) {
        const QString p = f->path();
        return p == path || p.startsWith(prefix);
    };
    bool currentGone = false;
    // The open file shown in place of a current one that goes: the next
    // one that stays, in the pop-up's order, else the nearest before it.
    OpenFile* neighbour = nullptr;
    const auto current = std::find_if(m_openFiles.begin(), m_openFiles.end(),
                                      [this](const auto& f) { return f.get() == m_current; });
    if (current != m_openFiles.end()) {
        const auto after = std::find_if_not(current + 1, m_openFiles.end(), gone);
        if (after != m_openFiles.end()) {
            neighbour = after->get();
        } else {
            const auto before =
                std::find_if_not(std::make_reverse_iterator(current), m_openFiles.rend(), gone);
            if (before != m_openFiles.rend())
                neighbour = before->get();
        }
    }
    for (const auto& f : m_openFiles) {
        if (gone(f)) {
            Q_EMIT fileClosing(f.get());
            if (f.get() == m_current) {
                m_current = nullptr;
                currentGone = true;
            }
            dropEditorAndNotice(f.get());
        }
    }
    m_openFiles.erase(std::remove_if(m_openFiles.begin(), m_openFiles.end(), gone),
                      m_openFiles.end());
    setOpenFilePopup();
    if (!currentGone)
        return;
    // The pane shows the file the open-files pop-up names, never nothing
    // while files stay open.
    if (neighbour)
        showCurrentFile(neighbour);
    else
        showNothing();
}

namespace {
bool atOrBelow(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}
} // namespace

bool OpenFilesController::saveBelow(const QString& path) {
    bool allSaved = true;
    for (const auto& f : m_openFiles) {
        if (!f->isModified() || !atOrBelow(f->path(), path))
            continue;
        if (f.get() == m_current)
            save(SaveMode::IfEdited);
        else if (!f->editor || f->document->checkDisk() == DiskState::Same)
            writeAndMark(f.get());
        if (f->isModified())
            allSaved = false;
    }
    return allSaved;
}

void OpenFilesController::pathRenamed(const QString& oldPath, const QString& newPath) {
    for (const auto& f : m_openFiles) {
        const QString now = f->path();
        if (!atOrBelow(now, newPath))
            continue;
        const QString before = oldPath + now.mid(newPath.size());
        f->document->setPath(now);
        if (f->editor)
            if (auto* colourer = f->editor->findChild<SyntaxColourer*>())
                colourer->setFilePath(now); // a.html renamed a.php colours as PHP
        Q_EMIT fileMoved(f.get(), before);
    }
    setOpenFilePopup();
    if (m_current)
        Q_EMIT fileShown(m_current);
}

} // namespace morvane
