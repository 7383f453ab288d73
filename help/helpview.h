// The page view inside the help window, as the help window sees it. The
// program gives it a web view from the web-engine module (loaded on first
// use, like the preview's); tests give it a stand-in.
#pragma once

#include <QUrl>

#include <functional>
#include <memory>

class QWidget;

namespace morvane::help {

// A navigation the page is about to make, for the owner to allow or refuse.
struct Navigation {
    QUrl url;
    bool mainFrame = true;
    // Asked for by the program itself (a load, Back, Forward, Reload).
    bool byProgram = false;
    // Known to be the user's own (always when byProgram). The web view never
    // sets it for a page's navigation: a link the user activated is told by
    // onUserLinkRefused once the page has confirmed it.
    bool byUser = false;
};

class HelpView {
public:
    virtual ~HelpView() = default;

    // The widget to place in the window; Qt owns it through its parent.
    virtual QWidget* widget() = 0;
    virtual void load(const QUrl& url) = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual void reload() = 0;
    // Forgets every page visited so far.
    virtual void clearHistory() = 0;

    // Asked before every navigation, links inside frames included; false
    // cancels it.
    std::function<bool(const Navigation&)> onNavigationRequest;
    // A link of the main frame that the user activated (a real click or key
    // on that very link, its target unchanged by the page), which
    // onNavigationRequest refused: the owner may hand it to the browser.
    std::function<void(const QUrl&)> onUserLinkRefused;
    std::function<void(const QUrl&)> onUrlChanged;
    std::function<void(const QString&)> onTitleChanged;
    std::function<void(bool canGoBack, bool canGoForward)> onHistoryChanged;
    std::function<void(bool ok)> onLoadFinished;
};

using HelpViewFactory = std::function<std::unique_ptr<HelpView>(QWidget* parent)>;

} // namespace morvane::help
