// The web-engine module: the preview's and the help window's web view on
// top of QWebEngineView, and the program's own pages served under its URL
// scheme. Loaded on first use by createPreviewView().
#include "app/previewview.h"

#include <QBuffer>
#include <QPointer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

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

// Hands every navigation to the owner's filter before it happens.
class FilteringPage : public QWebEnginePage {
public:
    FilteringPage(WebEnginePreview* owner, QObject* parent)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), parent), m_owner(owner) {}
    void forget() { m_owner = nullptr; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    WebEnginePreview* m_owner;
};

class WebEnginePreview : public PreviewView {
public:
    explicit WebEnginePreview(QWidget* parent) : m_view(new QWebEngineView(parent)) {
        m_page = new FilteringPage(this, m_view);
        m_view->setPage(m_page);
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
    }
    ~WebEnginePreview() override {
        // The view is Qt's to delete; it must not call back into us after this.
        if (m_page)
            m_page->forget();
        if (m_view)
            QObject::disconnect(m_view, nullptr, m_view, nullptr);
    }
    QWidget* widget() override { return m_view; }
    void load(const QUrl& url) override { m_view->load(url); }
    void setHtml(const QString& html, const QUrl& baseUrl) override {
        m_view->setHtml(html, baseUrl);
    }
    void back() override { m_view->back(); }
    void forward() override { m_view->forward(); }
    void reload() override { m_view->reload(); }
    void clearHistory() override {
        m_view->history()->clear();
        emitHistory();
    }

    bool allow(const QUrl& url) { return !onNavigationRequest || onNavigationRequest(url); }

private:
    void emitHistory() {
        if (onHistoryChanged)
            onHistoryChanged(m_view->history()->canGoBack(), m_view->history()->canGoForward());
    }
    QPointer<QWebEngineView> m_view;
    QPointer<FilteringPage> m_page;
};

bool FilteringPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                            bool isMainFrame) {
    if (m_owner && !m_owner->allow(url))
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
