#include "app/previewcontroller.h"

#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "app/pagefile.h"
#include "app/previewaddress.h"
#include "app/previewview.h"
#include "app/sitescontroller.h"
#include "core/markdown.h"
#include "core/paths.h"
#include "core/platform.h"
#include "editor/textview.h"
#include "upload/uploadmarks.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLoggingCategory>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace morvane {

namespace {

Q_LOGGING_CATEGORY(lcPreview, "morvane.preview")

const QString kBesideKey = QStringLiteral("PreviewBesideEditor");

// Up to the engine's limit for pages given as data.
constexpr qint64 kMaxContent = qint64(2) * 1000 * 1000;
// The pause in typing after which the preview beside the editor follows.
constexpr int kTypingPauseMs = 400;

QString outsideProblem(const QString& path) {
    return QCoreApplication::translate(
               "Preview", "\u201C%1\u201D leads outside the site folder (through a link), so the "
                          "preview does not read it.")
        .arg(QFileInfo(path).fileName());
}

// The type the text of a file in the editor is shown as, as it is typed;
// empty for files that are not pages (a stylesheet is seen through the
// page that uses it, after a save).
QString typedPageType(const QString& path, bool throughServer) {
    static const QStringList pages = {QStringLiteral("html"), QStringLiteral("htm"),
                                      QStringLiteral("xhtml")};
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (pages.contains(suffix))
        return QStringLiteral("text/html");
    // A server page runs on the server: what is typed is seen after a save.
    return throughServer ? QString() : preview::diskPageType(path);
}

bool isWebScheme(const QUrl& url) {
    const QString s = url.scheme().toLower();
    return s == QLatin1String("http") || s == QLatin1String("https");
}

} // namespace

PreviewController::PreviewController(MainWindow& window, SitesController& sites,
                                     OpenFilesController& files, UploadMarks& marks,
                                     QObject* parent)
    : QObject(parent), m_window(window), m_sites(sites), m_files(files), m_marks(marks) {
    connect(m_window.actionBack(), &QAction::triggered, this, &PreviewController::actionBack);
    connect(m_window.actionForward(), &QAction::triggered, this, &PreviewController::actionForward);
    connect(m_window.actionReload(), &QAction::triggered, this, &PreviewController::actionReload);
    connect(m_window.buttonBack(), &QToolButton::clicked, this, &PreviewController::actionBack);
    connect(m_window.buttonForward(), &QToolButton::clicked, this,
            &PreviewController::actionForward);
    connect(&m_files, &OpenFilesController::fileShown, this, &PreviewController::fileShown);
    connect(&m_files, &OpenFilesController::fileWritten, this, &PreviewController::fileWritten);

    m_typingPause = new QTimer(this);
    m_typingPause->setSingleShot(true);
    m_typingPause->setInterval(kTypingPauseMs);
    connect(m_typingPause, &QTimer::timeout, this, &PreviewController::showTyped);

    m_beside = paths::openSettings()->value(kBesideKey).toBool();
    m_window.actionPreviewBeside()->setChecked(m_beside);
    connect(m_window.actionPreviewBeside(), &QAction::toggled, this,
            &PreviewController::setPreviewBesideEditor);
}

// The web view goes with the window, before this controller: nothing to
// undo here.
PreviewController::~PreviewController() = default;

PreviewView* PreviewController::view() const {
    return m_window.hasWebView() ? m_window.webView() : nullptr;
}

void PreviewController::ensureView() {
    PreviewView* v = m_window.webView();
    if (m_wired)
        return;
    m_wired = true;
    v->setOwnErrorPages();
    v->onLoadingChanged = [this](const LoadEvent& e) { loadingChanged(e); };
    v->onTitleChanged = [this](const QString& title) { titleChanged(title); };
    v->onHistoryChanged = [this](bool back, bool forward) {
        // While a preview starts, the buttons stay off until its page is in.
        if (!m_clearHistoryOnFinish)
            setHistoryButtons(back, forward);
    };
    v->onNavigationRequest = [this](const help::Navigation& n) { return allowNavigation(n); };
    v->onUserLinkRefused = [this](const QUrl& url) { userLinkRefused(url); };
    v->setFileFilter([this](const QString& path) { return allowFile(path); });
}

QString PreviewController::fileRoot() const {
    QString site = m_sites.siteFolderLocal();
    if (!site.isEmpty())
        return site;
    return m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
}

bool PreviewController::allowFile(const QString& path) const {
    return preview::isSiteFile(fileRoot(), path);
}

void PreviewController::setHistoryButtons(bool back, bool forward) {
    m_window.buttonBack()->setEnabled(back);
    m_window.buttonForward()->setEnabled(forward);
    m_window.actionBack()->setEnabled(back);
    m_window.actionForward()->setEnabled(forward);
}

void PreviewController::previewFile(OpenFile* file) {
    if (!file || file->path().isEmpty())
        return;
    ensureView();
    m_window.placeWebView(false);
    {
        const QSignalBlocker block(m_window.tabView());
        m_window.tabView()->setCurrentIndex(1);
    }
    previewPath(file->path());
}

void PreviewController::resetForNewPreview() {
    setHistoryButtons(false, false);
    m_window.labelURL()->clear();
    m_window.labelTitle()->clear();
    m_clearHistoryOnFinish = true;
    m_titlePending = true;
    m_programPageNext = false;
    m_onErrorPage = false;
    m_restoreScroll = false;
    PreviewView* v = m_window.webView();
    v->stop();
    v->clearHistory();
    setHistoryButtons(false, false);
    v->widget()->show();
}

void PreviewController::previewPath(const QString& path) {
    ensureView();
    resetForNewPreview();
    m_path = path;
    m_typedShown = false;
    m_window.webView()->allowPageDialogs();
    const QString site = m_sites.siteFolderLocal();
    const QString relative = preview::relativePath(site, path);

    // An image is loaded as itself: the engine shows it in a page of its own,
    // and no markup is ever made from the file's name.
    if (markdown::isMarkdownPath(path)) {
        // The page is made beside the file the name leads to, which must be
        // a regular file of the site: never written through a link to a
        // folder elsewhere.
        const QString real = preview::resolveInside(fileRoot(), path);
        if (real.isEmpty() || !preview::isSiteFile(fileRoot(), path)) {
            loadPage(QUrl::fromLocalFile(path));
            return;
        }
        QString html;
        markdown::Error error;
        if (markdown::convertFile(real, &html, &error, fileRoot())) {
            m_marks.mark(html);
            loadPage(QUrl::fromLocalFile(html));
            return;
        }
        // A page the user wrote is never replaced; the Markdown file itself
        // is shown instead.
        if (error.kind == markdown::Error::Kind::ForeignTarget ||
            error.kind == markdown::Error::Kind::LinkedTarget)
            Platform::instance().alert(error.title, error.message);
        else
            qCWarning(lcPreview) << "Markdown conversion failed:" << error.title << error.message;
    }
    const QString localUrl = m_sites.localURL().trimmed();
    if (!localUrl.isEmpty() && !relative.isEmpty()) {
        QString problem;
        const QUrl url = preview::localServerUrl(localUrl, relative, &problem);
        if (!url.isValid()) {
            m_window.labelURL()->setText(localUrl);
            showProgramPage(preview::problemPage(problem), QUrl(), true);
            return;
        }
        loadPage(url);
        return;
    }
    loadPage(QUrl::fromLocalFile(path));
}

void PreviewController::loadPage(const QUrl& url) {
    PreviewView* v = m_window.webView();
    const quint64 serial = ++m_readSerial;
    if (!url.isLocalFile()) {
        v->load(url);
        return;
    }
    // A page from disk is a regular file of the site, read off the window's
    // thread: a pipe or a device named like a page never holds the window.
    const QString path = url.toLocalFile();
    const QString real = preview::resolveInside(fileRoot(), path);
    const QString type = preview::diskPageType(path);
    if (real.isEmpty()) {
        pageFileRead(serial, url, type, {}, outsideProblem(path));
        return;
    }
    if (!preview::isSiteFile(fileRoot(), path)) {
        preview::PageFile notRegular;
        notRegular.status = preview::PageFile::Status::NotRegular;
        pageFileRead(serial, url, type, {}, preview::pageFileProblem(path, notRegular));
        return;
    }
    if (type.isEmpty()) {
        v->load(url);
        return;
    }
    preview::readPageFileAsync(this, real, kMaxContent,
                               [this, serial, url, type](const preview::PageFile& read) {
                                   pageFileRead(serial, url, type, read.data,
                                                preview::pageFileProblem(url.toLocalFile(), read));
                               });
}

void PreviewController::pageFileRead(quint64 serial, const QUrl& url, const QString& type,
                                     const QByteArray& data, const QString& problem) {
    if (serial != m_readSerial)
        return; // a later load took its place
    if (problem.isEmpty()) {
        m_window.webView()->setContent(data, type, url);
        return;
    }
    qCWarning(lcPreview) << "Not previewed:" << url << problem;
    if (m_window.labelURL()->text().isEmpty())
        m_window.labelURL()->setText(preview::addressLabel(url));
    showProgramPage(preview::problemPage(problem), QUrl(), true);
}

void PreviewController::showProgramPage(const QString& html, const QUrl& base, bool isError) {
    m_programPageNext = true;
    m_programPageIsError = isError;
    m_titlePending = false;
    m_window.labelTitle()->clear();
    // Its load leaves the failed one behind in the history: cleared once in.
    m_clearHistoryOnFinish = true;
    m_window.webView()->setHtml(html, base);
}

void PreviewController::setURLLabel(const QUrl& url) {
    if (!m_window.labelURL()->text().isEmpty() || url.scheme() == QLatin1String("data"))
        return;
    m_window.labelURL()->setText(preview::addressLabel(url));
}

void PreviewController::loadingChanged(const LoadEvent& e) {
    PreviewView* v = m_window.webView();
    switch (e.status) {
    case LoadEvent::Status::Started:
        if (m_programPageNext) {
            m_programPageNext = false;
            m_onErrorPage = m_programPageIsError;
        } else {
            m_onErrorPage = false;
            setURLLabel(e.url);
        }
        break;
    case LoadEvent::Status::Succeeded:
        v->widget()->show();
        finished();
        break;
    case LoadEvent::Status::Failed:
        failed(e);
        break;
    case LoadEvent::Status::Stopped:
        break;
    }
}

void PreviewController::failed(const LoadEvent& e) {
    // A load cut short by the next one is no failure of the page.
    if (e.errorCode == preview::kLoadAborted || m_inFailure)
        return;
    m_inFailure = true;
    m_window.webView()->widget()->show();
    qCWarning(lcPreview) << "Loading failed:" << e.url << e.errorCode << e.errorString;
    setURLLabel(e.url);
    const QString shown = QUrl::fromPercentEncoding(e.url.toEncoded());
    const QString description =
        e.errorString.isEmpty()
            ? shown
            : tr("%1 (%2)").arg(e.errorString, shown.isEmpty() ? tr("no address") : shown);
    showProgramPage(
        preview::errorPage(description, e.errorCode, preview::isConnectionFailure(e.errorCode)),
        QUrl(), true);
    m_inFailure = false;
}

void PreviewController::finished() {
    PreviewView* v = m_window.webView();
    if (m_clearHistoryOnFinish) {
        m_clearHistoryOnFinish = false;
        v->clearHistory();
    }
    if (m_restoreScroll) {
        m_restoreScroll = false;
        v->runJavaScript(
            QStringLiteral("window.scrollTo(%1, %2)").arg(m_scroll.x()).arg(m_scroll.y()), {});
    }
    // The title may have come before (the same as the page shown before);
    // a first page without a title leaves the label empty.
    titleChanged(v->title());
    m_titlePending = false;
    Q_EMIT pageLoaded(!m_onErrorPage);
}

void PreviewController::titleChanged(const QString& title) {
    if (!m_titlePending || m_onErrorPage)
        return;
    // The engine names a page without a title after its address; the label
    // shows only a title the page has.
    const QUrl url = m_window.webView()->url();
    const QString shown = url.toDisplayString();
    const QString noScheme = url.toDisplayString(QUrl::RemoveScheme).mid(2);
    if (title.isEmpty() || title == url.toString() || title == shown || title == noScheme ||
        (url.isLocalFile() && title == url.fileName()) ||
        title.startsWith(QLatin1String("data:")) || title == QLatin1String("about:blank"))
        return;
    m_titlePending = false;
    m_window.labelTitle()->setText(title);
}

bool PreviewController::allowNavigation(const help::Navigation& n) {
    // The program's own loads, Back, Forward and Reload.
    if (n.byProgram)
        return true;
    const QUrl& url = n.url;
    if (preview::isInsideFolder(url, m_sites.siteFolderLocal())) {
        const QUrl current = m_window.webView()->url();
        if (!n.mainFrame ||
            url.adjusted(QUrl::RemoveFragment) == current.adjusted(QUrl::RemoveFragment))
            return true;
        // Pages from disk may not open file addresses themselves (that
        // would let them read any file); a page of the site is opened for
        // them, as the program's own load.
        QTimer::singleShot(0, this, [this, url] { loadPage(url); });
        return false;
    }
    if (preview::isInsideLocalUrl(url, m_sites.localURL()))
        return true;
    if (!n.mainFrame) {
        // Frames the page embeds from the web (maps, videos) may show; an
        // empty frame may too. Nothing else of the computer.
        return isWebScheme(url) || url.toString() == QLatin1String("about:blank") ||
               url.toString() == QLatin1String("about:srcdoc");
    }
    // A link that leaves the site goes to the user's browser, and only when
    // the user activated that very link (userLinkRefused).
    qCWarning(lcPreview) << "Navigation refused:" << url;
    return false;
}

void PreviewController::userLinkRefused(const QUrl& url) {
    if (preview::isInsideFolder(url, fileRoot()) ||
        preview::isInsideLocalUrl(url, m_sites.localURL()))
        return; // shown in the preview itself
    if (isWebScheme(url) || url.scheme().toLower() == QLatin1String("mailto"))
        Platform::instance().openUrl(url);
}

void PreviewController::actionBack() {
    if (PreviewView* v = view())
        v->back();
}

void PreviewController::actionForward() {
    if (PreviewView* v = view())
        v->forward();
}

void PreviewController::actionReload() {
    PreviewView* v = view();
    if (!v)
        return;
    // After a failure the file is tried again (the server may run now),
    // not the error page.
    if (m_onErrorPage && !m_path.isEmpty())
        previewPath(m_path);
    else
        v->reload();
}

void PreviewController::setPreviewBesideEditor(bool on) {
    if (m_window.actionPreviewBeside()->isChecked() != on) {
        m_window.actionPreviewBeside()->setChecked(on); // comes back here
        return;
    }
    if (on == m_beside)
        return;
    m_beside = on;
    auto settings = paths::openSettings();
    settings->setValue(kBesideKey, on);
    settings->sync();
    OpenFile* file = m_files.currentFile();
    if (on) {
        if (file && file->editMode)
            fileShown(file);
        else if (file && !file->path().isEmpty())
            m_window.tabView()->setCurrentIndex(0); // the editor, with the preview beside it
    } else {
        followEditor(nullptr);
        if (m_window.hasWebView())
            m_window.placeWebView(false);
    }
}

void PreviewController::fileShown(OpenFile* file) {
    if (!file) {
        clear();
        return;
    }
    if (!m_beside || !file->editMode || file->path().isEmpty()) {
        followEditor(nullptr);
        return;
    }
    ensureView();
    const bool wasBeside = m_window.webViewBesideEditor();
    m_window.placeWebView(true);
    if (!wasBeside || m_path != file->path())
        previewPath(file->path());
    m_window.webView()->widget()->show();
    followEditor(file);
}

void PreviewController::followEditor(OpenFile* file) {
    QObject::disconnect(m_editorChanges);
    m_typingPause->stop();
    if (file && file->editor)
        m_editorChanges = connect(file->editor, &QPlainTextEdit::textChanged, m_typingPause,
                                  qOverload<>(&QTimer::start));
}

void PreviewController::showTyped() {
    OpenFile* file = m_files.currentFile();
    if (!m_beside || !file || !file->editor || file->path() != m_path ||
        !m_window.webViewBesideEditor() || (!file->isModified() && !m_typedShown))
        return;
    // What is typed is shown as a page at the file's own address, so that
    // its links, stylesheets and images are found; the file is not written.
    const QString text = file->editor->toPlainText();
    const QString localUrl = m_sites.localURL().trimmed();
    const QString relative = preview::relativePath(m_sites.siteFolderLocal(), m_path);
    const bool throughServer = !localUrl.isEmpty() && !relative.isEmpty();
    QByteArray page;
    QString type = QStringLiteral("text/html");
    QUrl base;
    if (markdown::isMarkdownPath(m_path)) {
        const QString real = preview::resolveInside(fileRoot(), m_path);
        if (real.isEmpty() || !markdown::toHtml(text.toUtf8(), &page))
            return;
        base = QUrl::fromLocalFile(markdown::targetPath(real));
        if (throughServer)
            base = preview::localServerUrl(
                localUrl,
                preview::relativePath(m_sites.siteFolderLocal(), markdown::targetPath(m_path)),
                nullptr);
    } else {
        type = typedPageType(m_path, throughServer);
        if (type.isEmpty())
            return;
        page = text.toUtf8();
        base = throughServer ? preview::localServerUrl(localUrl, relative, nullptr)
                             : QUrl::fromLocalFile(m_path);
    }
    if (!base.isValid() || page.size() >= kMaxContent)
        return; // seen after a save
    m_typedShown = true;
    keepScrollThen([this, page, type, base] {
        ++m_readSerial;
        m_clearHistoryOnFinish = true;
        m_window.webView()->setContent(page, type + QStringLiteral(";charset=UTF-8"), base);
    });
}

void PreviewController::keepScrollThen(std::function<void()> load) {
    // Where the reader was, asked of the page itself (the view's own record
    // of it lags behind).
    const QString path = m_path;
    m_window.webView()->runJavaScript(
        QStringLiteral("[window.scrollX, window.scrollY]"),
        [this, path, load = std::move(load)](const QVariant& result) {
            if (path != m_path)
                return;
            const QVariantList xy = result.toList();
            m_scroll = xy.size() == 2 ? QPointF(xy[0].toDouble(), xy[1].toDouble()) : QPointF();
            m_restoreScroll = true;
            load();
        });
}

void PreviewController::fileWritten(OpenFile* file) {
    if (!m_beside || !file || file != m_files.currentFile() || !m_window.webViewBesideEditor())
        return;
    PreviewView* v = m_window.webView();
    if (file->path() != m_path) {
        previewPath(file->path());
        return;
    }
    m_typingPause->stop();
    if (markdown::isMarkdownPath(m_path)) {
        // The page made from it is made again first, beside the file the
        // name leads to inside the site.
        const QString real = preview::resolveInside(fileRoot(), m_path);
        QString html;
        if (!real.isEmpty() && preview::isSiteFile(fileRoot(), real) &&
            markdown::convertFile(real, &html, nullptr, fileRoot()))
            m_marks.mark(html);
    }
    keepScrollThen([v] { v->reload(); });
}

void PreviewController::clear() {
    m_path.clear();
    if (!m_window.hasWebView())
        return;
    m_window.labelURL()->clear();
    m_window.labelTitle()->clear();
    m_titlePending = false;
    m_clearHistoryOnFinish = true;
    m_programPageNext = false;
    m_window.webView()->setHtml(QString(), QUrl());
    setHistoryButtons(false, false);
}

} // namespace morvane
