#include "app/openfilescontroller.h"

#include "app/mainwindow.h"
#include "app/previewview.h"
#include "core/platform.h"
#include "core/textfile.h"
#include "editor/prefscontroller.h"
#include "editor/textview.h"
#include "upload/uploadmarks.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QUrl>

#include <algorithm>

namespace morvane {

OpenFilesController::OpenFilesController(MainWindow* window, const PrefsController* prefs,
                                         UploadMarks* marks, QObject* parent)
    : QObject(parent), m_window(window), m_prefs(prefs), m_marks(marks) {
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
            showCurrentFile(f.get());
            found = true;
        }
    }
    if (found)
        return;
    auto file = std::make_unique<OpenFile>();
    file->item = item;
    OpenFile* raw = file.get();
    m_openFiles.push_back(std::move(file));
    setOpenFilePopup();
    showCurrentFile(raw);
}

TextView* OpenFilesController::createEditor(OpenFile* file) {
    auto* view = new TextView(m_prefs, m_window->editorStack());
    view->setObjectName(QStringLiteral("textView"));
    m_window->editorStack()->addWidget(view);
    file->editor = view;
    if (m_editorHook)
        m_editorHook(view, file->path());
    connect(view, &TextView::userEdited, this, [this, view] {
        // Only edits of the shown file in edit mode make it dirty.
        if (m_current && m_current->editor == view && m_current->editMode)
            m_current->dirty = true;
    });
    connect(view, &TextView::editingEnded, this, [this, view] {
        if (currentTextView() == view)
            save(SaveMode::IfEdited);
    });
    return view;
}

bool OpenFilesController::readFileIntoTextView(OpenFile* file) {
    if (!file || file->path().isEmpty() || !file->editor)
        return false;
    const QString path = file->path();
    TextFileContents contents = readTextFile(path);
    if (contents.notText) {
        file->editMode = false;
        return false;
    }
    if (!contents.ok) {
        Platform::instance().alert(QStringLiteral("Can't get contents of file:\n\n\t%1").arg(path),
                                   contents.error);
        return false;
    }
    TextView* view = file->editor;
    if (view->textForSaving() != contents.text) {
        view->setTextFromProgram(contents.text, contents.format);
    } else {
        // Same text: keep the undo history and selection, take the file's
        // current encoding and line ends.
        view->format() = contents.format;
    }
    return true;
}

void OpenFilesController::showOpenFile(OpenFile* file) {
    if (m_showing || !file)
        return;
    m_showing = true;
    if (m_window->hasWebView())
        m_window->webView()->widget()->hide();

    if (!file->editor) {
        createEditor(file);
        readFileIntoTextView(file);
    }
    TextView* view = file->editor;
    QTextCursor c = view->textCursor();
    const int length = view->document()->characterCount() - 1;
    const int start = std::clamp(file->rangeStart, 0, length);
    c.setPosition(start);
    c.setPosition(std::clamp(start + file->rangeLength, 0, length), QTextCursor::KeepAnchor);
    view->setTextCursor(c);
    m_window->editorStack()->setCurrentWidget(view);

    {
        const QSignalBlocker block(m_window->tabView());
        m_window->tabView()->setCurrentIndex(file->editMode ? 0 : 1);
    }
    if (file->editMode) {
        view->setFocus(Qt::OtherFocusReason);
        view->ensureCursorVisible();
    } else {
        previewFile(file);
    }
    m_showing = false;
}

void OpenFilesController::previewFile(OpenFile* file) {
    PreviewView* web = m_window->webView();
    const QUrl url = QUrl::fromLocalFile(file->path());
    web->load(url);
    web->widget()->show();
    m_window->labelURL()->setText(url.toString());
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
    if (!file->editMode || file->path().isEmpty() || !view)
        return;
    // A failed save shows an alert, which moves the focus again; do not let
    // that start a second save of the same file.
    m_saving = true;
    bool writeFailed = false;
    if (file->dirty) {
        const QByteArray bytes = encodeText(view->textForSaving(), view->format());
        QString error;
        if (!writeFileAtomically(file->path(), bytes, &error)) {
            writeFailed = true;
            Platform::instance().alert(QStringLiteral("Error writing file."), error);
        }
    }
    // A file whose write failed stays dirty, so the next trigger tries again,
    // and is not marked: the server must not get the old file as if current.
    if (!writeFailed && (mode == SaveMode::Always || file->dirty)) {
        m_marks->mark(file->path());
        view->markSaved();
    }
    if (!writeFailed)
        file->dirty = false;
    m_saving = false;
}

void OpenFilesController::closeAll() {
    m_current = nullptr;
    for (const auto& f : m_openFiles)
        if (f->editor)
            f->editor->deleteLater();
    m_openFiles.clear();
    m_window->editorStack()->setCurrentWidget(m_window->editorPlaceholder());
    setOpenFilePopup();
    if (m_window->hasWebView())
        m_window->webView()->setHtml(QString(), QUrl());
}

void OpenFilesController::forgetPath(const QString& path) {
    const QString prefix = path + QLatin1Char('/');
    auto gone = [&](const std::unique_ptr<OpenFile>& f) {
        const QString p = f->path();
        return p == path || p.startsWith(prefix);
    };
    for (const auto& f : m_openFiles) {
        if (gone(f)) {
            if (f.get() == m_current) {
                m_current = nullptr;
                m_window->editorStack()->setCurrentWidget(m_window->editorPlaceholder());
            }
            if (f->editor)
                f->editor->deleteLater();
        }
    }
    m_openFiles.erase(std::remove_if(m_openFiles.begin(), m_openFiles.end(), gone),
                      m_openFiles.end());
    setOpenFilePopup();
}

} // namespace morvane
