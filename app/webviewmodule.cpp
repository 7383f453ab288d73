// The web-engine module: the preview's and the help window's web view on
// top of QWebEngineView, and the program's own pages served under its URL
// scheme. Loaded on first use by createPreviewView().
#include "app/previewview.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <memory>

namespace morvane {
namespace {

// Answers the web engine's requests for the program's own pages.
class SchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    SchemeHandler(SchemePageReader reader, QObject* parent)
        : QWebEngineUrlSchemeHandler(parent), m_reader(std::move(reader)) {}

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        if (job->requestMethod() != QByteArrayLiteral("GET")) {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        QByteArray body;
        QByteArray mimeType;
        if (!m_reader || !m_reader(job->requestUrl(), &body, &mimeType)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto* buffer = new QBuffer(job);
        buffer->setData(body);
        buffer->open(QIODevice::ReadOnly);
        job->reply(mimeType, buffer);
    }

private:
    SchemePageReader m_reader;
};

class WebEnginePreview;

// Every request for a file address goes through the owner's filter: the
// preview lets a page load the files of its site, nothing else of the disk.
class FileGate : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    PreviewView::FileFilter allowed;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            return;
        if (!allowed || !url.host().isEmpty() || !allowed(url.toLocalFile()))
            info.block(true);
    }
};

// Records, where the page's scripts cannot see or change it, the target of
// the last link the user activated with a real click or key. Read (and
// forgotten) by takeUserLinkScript.
const char kUserLinkScript[] = R"(
(function () {
  var last = '', when = 0;
  window.__morvaneTakeUserLink = function () {
    var link = Date.now() - when < 5000 ? last : '';
    last = '';
    return link;
  };
  window.addEventListener('click', function (e) {
    if (!e.isTrusted) return;
    var a = e.target && e.target.closest ? e.target.closest('a[href], area[href]') : null;
    last = a && typeof a.href === 'string' ? a.href : '';
    when = Date.now();
  }, true);
})();
)";
const char kTakeUserLinkScript[] =
    "window.__morvaneTakeUserLink ? window.__morvaneTakeUserLink() : ''";

// Where a page's dialog comes from, as the user knows the page: its file
// name for a page from disk, else its host.
QString pageName(const QUrl& origin) {
    if (origin.isLocalFile())
        return origin.fileName().isEmpty() ? origin.toLocalFile() : origin.fileName();
    if (!origin.host().isEmpty())
        return origin.host();
    return origin.toDisplayString();
}

// A dialog a page asked for (alert, confirm, prompt), marked as the page's,
// with a way to refuse the page any more of them.
class PageDialog : public QDialog {
public:
    enum class Kind { Alert, Confirm, Prompt };

    PageDialog(Kind kind, const QUrl& origin, const QString& message, const QString& value,
               QWidget* parent)
        : QDialog(parent) {
        setObjectName(QStringLiteral("pageDialog"));
        setWindowTitle(QCoreApplication::translate("PageDialog", "Message from a Web Page"));
        auto* layout = new QVBoxLayout(this);
        auto* from =
            new QLabel(QCoreApplication::translate("PageDialog", "The page \u201C%1\u201D says:")
                           .arg(pageName(origin)),
                       this);
        from->setTextFormat(Qt::PlainText);
        from->setObjectName(QStringLiteral("pageDialogOrigin"));
        layout->addWidget(from);
        // The page's own words, never read as markup, and not without end.
        constexpr int kMaxShown = 2000;
        auto* text = new QLabel(message.size() > kMaxShown
                                    ? message.left(kMaxShown) + QStringLiteral("\u2026")
                                    : message,
                                this);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setObjectName(QStringLiteral("pageDialogMessage"));
        text->setAccessibleName(QCoreApplication::translate("PageDialog", "Message of the page"));
        layout->addWidget(text);
        if (kind == Kind::Prompt) {
            m_edit = new QLineEdit(value, this);
            m_edit->setAccessibleName(
                QCoreApplication::translate("PageDialog", "Answer to the page"));
            layout->addWidget(m_edit);
        }
        m_stop = new QCheckBox(
            QCoreApplication::translate("PageDialog", "Don't let this page open more dialogs"),
            this);
        m_stop->setObjectName(QStringLiteral("pageDialogStop"));
        m_stop->setAccessibleName(m_stop->text());
        layout->addWidget(m_stop);
        auto* buttons = new QDialogButtonBox(kind == Kind::Alert
                                                 ? QDialogButtonBox::Ok
                                                 : QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                             this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }
    bool stopAsked() const { return m_stop->isChecked(); }
    QString value() const { return m_edit ? m_edit->text() : QString(); }

private:
    QCheckBox* m_stop = nullptr;
    QLineEdit* m_edit = nullptr;
};

// Notes the user's own clicks and keys in a view: a refused link is asked
// about (kTakeUserLinkScript) only shortly after one. The page's own record
// decides; this only spares the question after a script's navigation. The
// time allows for a busy machine.
class UserInputWatch : public QObject {
public:
    UserInputWatch(QWidget* view) : QObject(view), m_view(view) { qApp->installEventFilter(this); }
    ~UserInputWatch() override { qApp->removeEventFilter(this); }
    bool recent() const { return m_last.isValid() && m_last.elapsed() < 5000; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        if (t != QEvent::MouseButtonRelease && t != QEvent::KeyPress)
            return false;
        if (t == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
                return false;
        }
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && m_view && (w == m_view || m_view->isAncestorOf(w)))
            m_last.start();
        return false;
    }

private:
    QPointer<QWidget> m_view;
    QElapsedTimer m_last;
};

// Hands every navigation to the owner's filter before it happens, and opens
// no windows.
class FilteringPage : public QWebEnginePage {
public:
    FilteringPage(WebEnginePreview* owner, QObject* parent)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), parent), m_owner(owner) {}
    void forget() { m_owner = nullptr; }
    void allowDialogs() { m_dialogsStopped = false; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    void javaScriptAlert(const QUrl& origin, const QString& message) override {
        ask(PageDialog::Kind::Alert, origin, message, QString(), nullptr);
    }
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override {
        return ask(PageDialog::Kind::Confirm, origin, message, QString(), nullptr);
    }
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& value,
                          QString* result) override {
        return ask(PageDialog::Kind::Prompt, origin, message, value, result);
    }

private:
    // Shows the page's dialog; once the user stopped them, the page gets
    // the answer of a dismissed dialog at once.
    bool ask(PageDialog::Kind kind, const QUrl& origin, const QString& message,
             const QString& value, QString* result) {
        if (m_dialogsStopped || m_inDialog)
            return false;
        m_inDialog = true;
        // A page from disk has no origin worth naming: its address is.
        const QUrl from = origin.host().isEmpty() ? url() : origin;
        PageDialog dialog(kind, from, message, value, qobject_cast<QWidget*>(parent()));
        const bool accepted = dialog.exec() == QDialog::Accepted;
        m_inDialog = false;
        if (dialog.stopAsked())
            m_dialogsStopped = true;
        if (accepted && result)
            *result = dialog.value();
        return accepted;
    }

    WebEnginePreview* m_owner;
    bool m_dialogsStopped = false;
    bool m_inDialog = false;
};

void isolate(QWebEnginePage* page, FileGate* gate) {
    QWebEngineSettings* s = page->settings();
    // Local pages (from disk, the help pages) may load local addresses; the
    // gate lets through only the files the owner allows.
    page->setUrlRequestInterceptor(gate);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    s->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    // Cameras, microphones, places, notifications: never granted.
    QObject::connect(page, &QWebEnginePage::featurePermissionRequested, page,
                     [page](const QUrl& origin, QWebEnginePage::Feature feature) {
                         page->setFeaturePermission(origin, feature,
                                                    QWebEnginePage::PermissionDeniedByUser);
                     });
    QObject::connect(page, &QWebEnginePage::fullScreenRequested, page,
                     [](QWebEngineFullScreenRequest request) { request.reject(); });
}

LoadEvent::Status statusOf(QWebEngineLoadingInfo::LoadStatus s) {
    switch (s) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        return LoadEvent::Status::Started;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        return LoadEvent::Status::Succeeded;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        return LoadEvent::Status::Failed;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        break;
    }
    return LoadEvent::Status::Stopped;
}

class WebEnginePreview : public PreviewView {
public:
    explicit WebEnginePreview(QWidget* parent) : m_view(new QWebEngineView(parent)) {
        m_page = new FilteringPage(this, m_view);
        m_gate = new FileGate(m_page);
        isolate(m_page, m_gate);
        QWebEngineScript userLink;
        userLink.setName(QStringLiteral("morvane-user-link"));
        userLink.setSourceCode(QString::fromLatin1(kUserLinkScript));
        userLink.setWorldId(QWebEngineScript::ApplicationWorld);
        userLink.setInjectionPoint(QWebEngineScript::DocumentCreation);
        userLink.setRunsOnSubFrames(false);
        m_page->scripts().insert(userLink);
        m_view->setPage(m_page);
        m_input = new UserInputWatch(m_view);
        QObject::connect(m_view, &QWebEngineView::urlChanged, m_view, [this](const QUrl& url) {
            if (onUrlChanged)
                onUrlChanged(url);
            emitHistory();
        });
        QObject::connect(m_view, &QWebEngineView::titleChanged, m_view, [this](const QString& t) {
            if (onTitleChanged)
                onTitleChanged(t);
        });
        QObject::connect(m_view, &QWebEngineView::loadFinished, m_view, [this](bool ok) {
            emitHistory();
            if (onLoadFinished)
                onLoadFinished(ok);
        });
        QObject::connect(m_page, &QWebEnginePage::loadingChanged, m_view,
                         [this](const QWebEngineLoadingInfo& info) {
                             if (!onLoadingChanged)
                                 return;
                             LoadEvent e;
                             e.status = statusOf(info.status());
                             e.url = info.url();
                             e.errorCode = info.errorCode();
                             e.errorString = info.errorString();
                             onLoadingChanged(e);
                         });
    }
    ~WebEnginePreview() override {
        // The view is Qt's to delete; it must not call back into us after this.
        if (m_page)
            m_page->forget();
        if (m_view)
            QObject::disconnect(m_view, nullptr, m_view, nullptr);
        if (m_page)
            QObject::disconnect(m_page, nullptr, m_view, nullptr);
        *m_alive = false;
    }
    QWidget* widget() override { return m_view; }
    void load(const QUrl& url) override { m_view->load(url); }
    void setHtml(const QString& html, const QUrl& baseUrl) override {
        m_view->setHtml(html, baseUrl);
    }
    void setContent(const QByteArray& data, const QString& mimeType, const QUrl& baseUrl) override {
        m_view->setContent(data, mimeType, baseUrl);
    }
    void back() override { m_view->back(); }
    void forward() override { m_view->forward(); }
    void reload() override { m_view->reload(); }
    void stop() override { m_view->stop(); }
    void setOwnErrorPages() override {
        m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    }
    void clearHistory() override {
        m_view->history()->clear();
        emitHistory();
    }
    QUrl url() const override { return m_view->url(); }
    QString title() const override { return m_view->title(); }
    QPointF scrollPosition() const override { return m_page->scrollPosition(); }
    void setFileFilter(FileFilter allowed) override { m_gate->allowed = std::move(allowed); }
    void allowPageDialogs() override { m_page->allowDialogs(); }
    void runJavaScript(const QString& script, std::function<void(const QVariant&)> done) override {
        std::shared_ptr<bool> alive = m_alive;
        m_page->runJavaScript(script, [alive, done = std::move(done)](const QVariant& result) {
            if (*alive && done)
                done(result);
        });
    }

    bool allow(const QUrl& url, QWebEnginePage::NavigationType type, bool mainFrame) {
        if (!onNavigationRequest)
            return true;
        help::Navigation n;
        n.url = url;
        n.mainFrame = mainFrame;
        n.byProgram = type == QWebEnginePage::NavigationTypeTyped ||
                      type == QWebEnginePage::NavigationTypeBackForward ||
                      type == QWebEnginePage::NavigationTypeReload;
        n.byUser = n.byProgram;
        const bool allowed = onNavigationRequest(n);
        // A refused link may be one the user activated: the page is asked,
        // in a world its scripts cannot reach, which link the user's own
        // click was on; only that very target is handed over.
        if (!allowed && mainFrame && type == QWebEnginePage::NavigationTypeLinkClicked &&
            m_input->recent() && onUserLinkRefused) {
            std::shared_ptr<bool> alive = m_alive;
            m_page->runJavaScript(
                QString::fromLatin1(kTakeUserLinkScript), QWebEngineScript::ApplicationWorld,
                [this, alive, url](const QVariant& link) {
                    if (*alive && onUserLinkRefused && QUrl(link.toString()) == url)
                        onUserLinkRefused(url);
                });
        }
        return allowed;
    }

private:
    void emitHistory() {
        if (onHistoryChanged)
            onHistoryChanged(m_view->history()->canGoBack(), m_view->history()->canGoForward());
    }
    QPointer<QWebEngineView> m_view;
    QPointer<FilteringPage> m_page;
    FileGate* m_gate = nullptr;
    UserInputWatch* m_input = nullptr;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

bool FilteringPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                            bool isMainFrame) {
    if (m_owner && !m_owner->allow(url, type, isMainFrame))
        return false;
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

} // namespace
} // namespace morvane

extern "C" Q_DECL_EXPORT morvane::PreviewView* morvane_create_web_view(QWidget* parent) {
    return new morvane::WebEnginePreview(parent);
}

extern "C" Q_DECL_EXPORT void morvane_serve_web_scheme(const QByteArray& scheme,
                                                       const morvane::SchemePageReader& reader) {
    // The scheme must be known before the engine starts: the program calls
    // this before its first view. Pages of the scheme are the program's
    // own: web pages from elsewhere may not load them.
    if (QWebEngineUrlScheme::schemeByName(scheme).name().isEmpty()) {
        QWebEngineUrlScheme definition(scheme);
        definition.setSyntax(QWebEngineUrlScheme::Syntax::Host);
        definition.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
        QWebEngineUrlScheme::registerScheme(definition);
    }
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    if (const QWebEngineUrlSchemeHandler* old = profile->urlSchemeHandler(scheme))
        profile->removeUrlSchemeHandler(const_cast<QWebEngineUrlSchemeHandler*>(old));
    profile->installUrlSchemeHandler(scheme, new morvane::SchemeHandler(reader, profile));
}
