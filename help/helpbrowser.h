// The help window, one for the whole program. It shows either the built-in
// user guide, locked to it (links that leave it open in the user's browser,
// no navigation buttons), or an outside reference (the PHP manual, an HTML
// reference) as a small free browser with Back, Forward and Reload.
#pragma once

#include "help/helplinks.h"
#include "help/helpview.h"

#include <QDialog>
#include <QUrl>

#include <memory>

class QHBoxLayout;
class QToolButton;
class QVBoxLayout;

namespace morvane::help {

class PhpManualProbe;

class HelpBrowser : public QDialog {
    Q_OBJECT
public:
    HelpBrowser(HelpViewFactory factory, HelpLinks links, QWidget* parent = nullptr);
    ~HelpBrowser() override;

    // The user guide, not modal.
    void show();
    // The user guide, modal: returns when the window is closed.
    void showModal();
    // The PHP manual in the first of the user's preferred languages when it
    // exists, else in English. The window shows at once; the page follows
    // when the manual has answered.
    void showPHP(const QStringList& preferredLanguages);
    // The HTML reference.
    void showHTML();

    bool allowAllURLs() const { return m_allowAll; }
    bool isModalRun() const { return m_isModal; }
    QUrl helpURL() const { return m_helpURL; }
    // The view, made the first time the window shows a page.
    HelpView* view() const { return m_view.get(); }

    QToolButton* buttonBack() const { return m_back; }
    QToolButton* buttonForward() const { return m_forward; }
    QToolButton* buttonReload() const { return m_reload; }

Q_SIGNALS:
    // The PHP manual's address is chosen and loading.
    void phpManualChosen(const QUrl& url);
    // A page finished loading, or failed to.
    void pageLoaded(bool ok);

private:
    void prepare(bool allowAll, const QString& title);
    void go();
    void ensureView();
    void present();
    bool allowNavigation(const Navigation& navigation);

    HelpViewFactory m_factory;
    HelpLinks m_links;
    std::unique_ptr<HelpView> m_view;
    PhpManualProbe* m_probe = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_buttonStrip = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_reload = nullptr;
    QUrl m_helpURL;
    bool m_allowAll = false;
    bool m_isModal = false;
    bool m_clearWhenLoaded = false;
};

} // namespace morvane::help
