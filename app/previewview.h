// The preview's web view, seen from the rest of the program. The web engine
// lives in a module that is loaded the first time a preview is shown: its
// libraries are large, and linking them into the program would slow every
// start-up, including the many that never open a preview.
//
// The interface is a plain abstract class with callbacks (no Qt meta-object),
// so the module needs no symbol of the program. The help window uses the
// same views.
#pragma once

#include "help/helpview.h"

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>

class QWidget;

namespace morvane {

// One step of loading the main frame's page, as the engine reports it.
struct LoadEvent {
    enum class Status { Started, Succeeded, Failed, Stopped };
    Status status = Status::Started;
    QUrl url;
    int errorCode = 0; // the engine's own number, negative for network errors
    QString errorString;
};

// The help window's page view with more calls: the preview also shows pages
// the program writes itself (the image page, the error page), follows each
// load, and reads back what the page holds.
//
// Every view made by the module keeps pages apart from the computer: file
// addresses only as the owner's file filter allows (none without one), no
// unknown URL schemes, no new windows, no permissions granted, the page's
// own dialogs marked as the page's. Which addresses a page may go to is the
// owner's to say (onNavigationRequest).
class PreviewView : public help::HelpView {
public:
    // Asked for every file address the view would load (pages, stylesheets,
    // images, scripts, frames, reads by script), with its local path; false
    // refuses it.
    using FileFilter = std::function<bool(const QString& path)>;
    virtual void setFileFilter(FileFilter allowed) = 0;
    // Lets the page open alert, confirm and prompt dialogs again after the
    // user stopped them (a new preview starts).
    virtual void allowPageDialogs() = 0;
    virtual void setHtml(const QString& html, const QUrl& baseUrl) = 0;
    // Shows bytes as a page of the given type, at the address `baseUrl`.
    virtual void setContent(const QByteArray& data, const QString& mimeType,
                            const QUrl& baseUrl) = 0;
    virtual void stop() = 0;
    // The owner shows its own page when a load fails, the engine none.
    virtual void setOwnErrorPages() = 0;
    virtual QUrl url() const = 0;
    virtual QString title() const = 0;
    virtual QPointF scrollPosition() const = 0;
    // Runs a script in the page; `done` gets its result (never after the view
    // is gone).
    virtual void runJavaScript(const QString& script,
                               std::function<void(const QVariant&)> done) = 0;

    std::function<void(const LoadEvent&)> onLoadingChanged;
};

// Loads the web-engine module and makes a view in `parent`, or, when the
// module cannot be loaded, a view that says why and previews nothing.
std::unique_ptr<PreviewView> createPreviewView(QWidget* parent);

// Pages of the program's own that the web engine asks for under a URL
// scheme of the program's: fills the body and MIME type, or returns false
// when there is no such page.
using SchemePageReader =
    std::function<bool(const QUrl& url, QByteArray* body, QByteArray* mimeType)>;
// Serves `scheme` (lower case) from `reader` in every web view. The engine
// fixes its schemes when it starts, so this must come before the first view
// is made; it only records the wish, the module is still loaded on first use.
void serveWebScheme(const QByteArray& scheme, SchemePageReader reader);

// Where the module is looked for, in order: beside the program, then in the
// installed library folder relative to it. Never an absolute path chosen at
// build time, which another user of the machine might be able to write to.
QStringList webViewModuleCandidates(const QString& programFolder);

} // namespace morvane

// The module's entry points. The first makes a view (the caller owns it);
// the second is called once, before the first view, for every scheme the
// program serves.
extern "C" using MorvaneCreateWebView = morvane::PreviewView * (*)(QWidget * parent);
extern "C" using MorvaneServeWebScheme =
    void(*)(const QByteArray& scheme, const morvane::SchemePageReader& reader);
