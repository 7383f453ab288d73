// The web-engine module: the preview's web view on top of QWebEngineView.
// Loaded on first use by createPreviewView().
#include "app/previewview.h"

#include <QPointer>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace morvane {
namespace {

class WebEnginePreview : public PreviewView {
public:
    explicit WebEnginePreview(QWidget* parent) : m_view(new QWebEngineView(parent)) {
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

private:
    void emitHistory() {
        if (onHistoryChanged)
            onHistoryChanged(m_view->history()->canGoBack(), m_view->history()->canGoForward());
    }
    QPointer<QWebEngineView> m_view;
};

} // namespace
} // namespace morvane

extern "C" Q_DECL_EXPORT morvane::PreviewView* morvane_create_web_view(QWidget* parent) {
    return new morvane::WebEnginePreview(parent);
}
