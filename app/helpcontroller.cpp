#include "app/helpcontroller.h"

#include "app/previewview.h"
#include "core/platform.h"
#include "help/aboutdialog.h"
#include "help/helpbrowser.h"
#include "help/helppages.h"
#include "help/updatechecker.h"

#include <QAction>
#include <QCoreApplication>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

namespace morvane {

HelpController::HelpController(QMainWindow& window, help::HelpLinks links,
                               help::HelpViewFactory viewFactory, QObject* parent)
    : QObject(parent), m_window(window), m_links(std::move(links)),
      m_viewFactory(std::move(viewFactory)) {
    if (!m_viewFactory)
        m_viewFactory = [](QWidget* parent) -> std::unique_ptr<help::HelpView> {
            return createPreviewView(parent);
        };
    // The built-in pages reach the web engine through the program's scheme;
    // this only records it, the engine is loaded with the first view.
    serveWebScheme(QByteArray(help::kScheme),
                   [](const QUrl& url, QByteArray* body, QByteArray* mimeType) {
                       help::HelpPage page;
                       if (!help::readHelpPage(url, &page))
                           return false;
                       *body = page.body;
                       *mimeType = page.mimeType;
                       return true;
                   });

    m_updates =
        new help::UpdateChecker(m_links.updateServiceUrl(), QCoreApplication::applicationName(),
                                QStringLiteral(MORVANE_VERSION), this);
    m_updates->setWebsiteOnHelpMenu(!m_links.websiteUrl().isEmpty());

    m_menu = m_window.menuBar()->addMenu(tr("&Help"));
    m_menu->setObjectName(QStringLiteral("menuHelp"));
    auto add = [this](const QString& text, const char* name, void (HelpController::*slot)()) {
        QAction* action = m_menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(tr("Morvane &Help"), "actionHelp", &HelpController::actionHelp)
        ->setShortcut(QKeySequence::HelpContents);
    add(tr("&PHP Help"), "actionHelpPHP", &HelpController::actionHelpPHP);
    add(tr("HT&ML Help"), "actionHelpHTML", &HelpController::actionHelpHTML);
    m_menu->addSeparator();
    // Items whose address was not configured are left out.
    if (!m_links.websiteUrl().isEmpty())
        add(tr("&Website"), "actionWebsite", &HelpController::actionWebsite);
    if (!m_links.supportUrl().isEmpty())
        add(tr("&Support"), "actionSupport", &HelpController::actionSupport);
    if (!m_links.rateUrl().isEmpty())
        add(tr("&Rate Morvane"), "actionRate", &HelpController::actionRate);
    if (!m_links.updateServiceUrl().isEmpty())
        add(tr("Check for &Update..."), "actionUpdateCheck", &HelpController::actionUpdateCheck);
    m_menu->addSeparator();
    add(tr("&About Morvane"), "actionAbout", &HelpController::actionAbout)
        ->setMenuRole(QAction::AboutRole);
}

HelpController::~HelpController() = default;

help::HelpBrowser& HelpController::ensureBrowser() {
    if (!m_browser)
        m_browser = new help::HelpBrowser(m_viewFactory, m_links, &m_window);
    return *m_browser;
}

void HelpController::showInitialHelp(QSettings& settings) {
    const QString key = QStringLiteral("HideInitialHelp");
    if (settings.value(key).toBool())
        return;
    actionHelp();
    settings.setValue(key, true);
    settings.sync();
}

void HelpController::automaticUpdateCheck(QSettings& settings) {
    m_updates->updateCheck(settings, Platform::instance().now());
}

void HelpController::actionHelp() {
    ensureBrowser().show();
}

void HelpController::actionHelpModal() {
    ensureBrowser().showModal();
}

void HelpController::actionHelpPHP() {
    ensureBrowser().showPHP(QLocale().uiLanguages());
}

void HelpController::actionHelpHTML() {
    ensureBrowser().showHTML();
}

void HelpController::actionWebsite() {
    Platform::instance().openUrl(m_links.websiteUrl());
}

void HelpController::actionSupport() {
    Platform::instance().openUrl(m_links.supportUrl());
}

void HelpController::actionRate() {
    Platform::instance().openUrl(m_links.rateUrl());
}

void HelpController::actionUpdateCheck() {
    m_updates->doCheckForUpdate(true);
}

void HelpController::actionAbout() {
    help::AboutDialog dialog(&m_window);
    dialog.exec();
}

} // namespace morvane
