// The preview's web view, seen from the rest of the program. The web engine
// lives in a module that is loaded the first time a preview is shown: its
// libraries are large, and linking them into the program would slow every
// start-up, including the many that never open a preview.
//
// The interface is a plain abstract class with callbacks (no Qt meta-object),
// so the module needs no symbol of the program.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QWidget;

namespace morvane {

class PreviewView {
public:
    virtual ~PreviewView() = default;

    // The widget to place in the window; parented to the widget given at
    // creation, so Qt owns it.
    virtual QWidget* widget() = 0;
    virtual void load(const QUrl& url) = 0;
    virtual void setHtml(const QString& html, const QUrl& baseUrl) = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual void reload() = 0;

    std::function<void(const QUrl&)> onUrlChanged;
    std::function<void(const QString&)> onTitleChanged;
    std::function<void(bool canGoBack, bool canGoForward)> onHistoryChanged;
    std::function<void(bool ok)> onLoadFinished;
};

// Loads the web-engine module and makes a view in `parent`, or, when the
// module cannot be loaded, a view that says why and previews nothing.
std::unique_ptr<PreviewView> createPreviewView(QWidget* parent);

} // namespace morvane

// The module's one entry point; the caller owns the result.
extern "C" using MorvaneCreateWebView = morvane::PreviewView * (*)(QWidget * parent);
