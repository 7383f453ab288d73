// The Help menu and the help shown at the first start: the user guide, the
// PHP and HTML references, the program's outside links, the update check
// and the About box. The help window is made on first use and kept.
#pragma once

#include "help/helpbrowser.h"
#include "help/helplinks.h"
#include "help/helpview.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMainWindow;
class QMenu;
class QSettings;

namespace morvane {

namespace help {
class UpdateChecker;
} // namespace help

class HelpController : public QObject {
    Q_OBJECT
public:
    // Adds the Help menu to `window`'s menu bar. `links` are the addresses
    // in force (see HelpLinks::fromSettings); `viewFactory` makes the help
    // window's page view (the web-engine module's view when empty).
    HelpController(QMainWindow& window, help::HelpLinks links, help::HelpViewFactory viewFactory,
                   QObject* parent = nullptr);
    ~HelpController() override;

    // Start-up: opens the user guide the first time the program runs and
    // remembers that under "HideInitialHelp".
    void showInitialHelp(QSettings& settings);
    // Start-up: the weekly update check, quiet unless an update may exist.
    void automaticUpdateCheck(QSettings& settings);

    // The menu's commands.
    void actionHelp();
    void actionHelpModal();
    void actionHelpPHP();
    void actionHelpHTML();
    void actionWebsite();
    void actionSupport();
    void actionRate();
    void actionUpdateCheck();
    void actionAbout();

    QMenu* menu() const { return m_menu; }
    // The help window, once made.
    help::HelpBrowser* browser() const { return m_browser; }
    help::UpdateChecker* updateChecker() const { return m_updates; }

private:
    help::HelpBrowser& ensureBrowser();

    QMainWindow& m_window;
    help::HelpLinks m_links;
    help::HelpViewFactory m_viewFactory;
    QMenu* m_menu = nullptr;
    QPointer<help::HelpBrowser> m_browser;
    help::UpdateChecker* m_updates = nullptr;
};

} // namespace morvane
