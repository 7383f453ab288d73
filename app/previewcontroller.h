// The preview: what the web view loads for a file (through the site's local
// web server, from disk, an image page, the HTML made from a Markdown file),
// the address and title labels, Back, Forward and Reload, the error page of
// a failed load, which addresses and files a previewed page may reach, and
// the preview beside the editor that follows the text as it is typed.
#pragma once

#include "help/helpview.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <QUrl>

#include <functional>

class QTimer;

namespace morvane {

class MainWindow;
class OpenFilesController;
class PreviewView;
class SitesController;
class UploadMarks;
struct LoadEvent;
struct OpenFile;

class PreviewController : public QObject {
    Q_OBJECT
public:
    PreviewController(MainWindow& window, SitesController& sites, OpenFilesController& files,
                      UploadMarks& marks, QObject* parent = nullptr);
    ~PreviewController() override;

    // Shows a file in the Preview tab.
    void previewFile(OpenFile* file);
    // Loads the preview of the file at `path` into the web view, wherever
    // the view is: a fresh start with empty labels and history.
    void previewPath(const QString& path);

    void actionBack();
    void actionForward();
    void actionReload();

    // View > Preview Beside Editor; the choice is stored.
    void setPreviewBesideEditor(bool on);
    bool previewBesideEditor() const { return m_beside; }

    // The web view, once made (tests read the page through it).
    PreviewView* view() const;
    // The file of the preview shown last.
    QString previewedPath() const { return m_path; }

Q_SIGNALS:
    // A page finished loading in the preview and the labels and buttons show
    // it; false for the error page.
    void pageLoaded(bool ok);

private:
    void ensureView();
    void resetForNewPreview();
    void loadPage(const QUrl& url);
    void pageFileRead(quint64 serial, const QUrl& url, const QString& type, const QByteArray& data,
                      const QString& problem);
    QString fileRoot() const;
    bool allowFile(const QString& path) const;
    void userLinkRefused(const QUrl& url);
    void followEditor(OpenFile* file);
    void showTyped();
    void keepScrollThen(std::function<void()> load);
    void showProgramPage(const QString& html, const QUrl& base, bool isError);
    void loadingChanged(const LoadEvent& event);
    void failed(const LoadEvent& event);
    void finished();
    void titleChanged(const QString& title);
    void setURLLabel(const QUrl& url);
    void setHistoryButtons(bool back, bool forward);
    bool allowNavigation(const help::Navigation& navigation);
    void fileShown(OpenFile* file);
    void fileWritten(OpenFile* file);
    void clear();

    MainWindow& m_window;
    SitesController& m_sites;
    OpenFilesController& m_files;
    UploadMarks& m_marks;
    bool m_wired = false;
    bool m_beside = false;
    QString m_path;
    // The first load of each preview clears the history it leaves behind.
    bool m_clearHistoryOnFinish = false;
    // The title label takes the first page's title, once.
    bool m_titlePending = false;
    // A page of the program's own (error, problem) is loading or shown.
    bool m_programPageNext = false;
    bool m_programPageIsError = false;
    bool m_onErrorPage = false;
    bool m_inFailure = false;
    // After a reload that follows a save: the scroll position to go back to.
    bool m_restoreScroll = false;
    QPointF m_scroll;
    // Each page read from disk answers for the load that asked for it only.
    quint64 m_readSerial = 0;
    bool m_typedShown = false;
    // The preview beside the editor shows the text as typed, after a pause.
    QTimer* m_typingPause = nullptr;
    QMetaObject::Connection m_editorChanges;
};

} // namespace morvane
