#include "help/helpbrowser.h"

#include "core/platform.h"
#include "help/phpmanualprobe.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace morvane::help {

HelpBrowser::HelpBrowser(HelpViewFactory factory, HelpLinks links, QWidget* parent)
    : QDialog(parent), m_factory(std::move(factory)), m_links(std::move(links)) {
    setObjectName(QStringLiteral("HelpController"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);
    resize(820, 680);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    // The strip of navigation buttons of the free mode.
    m_buttonStrip = new QWidget(this);
    auto* strip = new QHBoxLayout(m_buttonStrip);
    strip->setContentsMargins(6, 6, 6, 6);
    // The keys are the window's own (see below), so that they work in the
    // user guide too, where the buttons are hidden.
    auto makeButton = [this, strip](const QString& text, const char* name,
                                    QStyle::StandardPixmap icon, QKeySequence::StandardKey key) {
        auto* b = new QToolButton(m_buttonStrip);
        b->setObjectName(QLatin1String(name));
        b->setIcon(style()->standardIcon(icon));
        b->setText(text);
        b->setToolTip(QStringLiteral("%1 (%2)").arg(
            text, QKeySequence(key).toString(QKeySequence::NativeText)));
        b->setAccessibleName(text);
        b->setFocusPolicy(Qt::TabFocus);
        strip->addWidget(b);
        return b;
    };
    m_back = makeButton(tr("Back"), "btnBack", QStyle::SP_ArrowBack, QKeySequence::Back);
    m_forward =
        makeButton(tr("Forward"), "btnForward", QStyle::SP_ArrowForward, QKeySequence::Forward);
    m_reload =
        makeButton(tr("Reload"), "btnReload", QStyle::SP_BrowserReload, QKeySequence::Refresh);
    strip->addStretch(1);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    m_layout->addWidget(m_buttonStrip);
    m_buttonStrip->hide();

    connect(m_back, &QToolButton::clicked, this, [this] {
        if (m_view)
            m_view->back();
    });
    connect(m_forward, &QToolButton::clicked, this, [this] {
        if (m_view)
            m_view->forward();
    });
    connect(m_reload, &QToolButton::clicked, this, [this] {
        if (m_view)
            m_view->reload();
    });

    // Alt+Left and Alt+Right go back and forward, and Escape closes the
    // window, wherever the focus is in it (the page itself takes every
    // other key).
    const auto addKey = [this](const QKeySequence& keys, const char* name, auto run) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
    };
    addKey(QKeySequence::Back, "actionHelpBack", [this] {
        if (m_view && m_back->isEnabled())
            m_view->back();
    });
    addKey(QKeySequence::Forward, "actionHelpForward", [this] {
        if (m_view && m_forward->isEnabled())
            m_view->forward();
    });
    addKey(QKeySequence::Refresh, "actionHelpReload", [this] {
        if (m_view)
            m_view->reload();
    });
    addKey(QKeySequence(Qt::Key_Escape), "actionHelpClose", [this] { reject(); });
}

HelpBrowser::~HelpBrowser() {
    // The view's widget is Qt's; its callbacks must not reach a half-destroyed
    // window.
    if (m_view) {
        m_view->onNavigationRequest = nullptr;
        m_view->onUserLinkRefused = nullptr;
        m_view->onHistoryChanged = nullptr;
        m_view->onLoadFinished = nullptr;
    }
}

void HelpBrowser::ensureView() {
    if (m_view)
        return;
    m_view = m_factory(this);
    m_view->widget()->setAccessibleName(tr("Help page"));
    m_view->onNavigationRequest = [this](const Navigation& n) { return allowNavigation(n); };
    // A link of the guide to the web, activated by the user.
    m_view->onUserLinkRefused = [this](const QUrl& url) {
        if (!m_allowAll && !isInsideHelp(url))
            Platform::instance().openUrl(url);
    };
    m_view->onHistoryChanged = [this](bool back, bool forward) {
        m_back->setEnabled(back);
        m_forward->setEnabled(forward);
    };
    // A web view keeps its current page when its history is cleared, so the
    // page shown before would stay one step back: the history is cleared
    // again once the new start page is in.
    m_view->onLoadFinished = [this](bool ok) {
        if (m_clearWhenLoaded) {
            m_clearWhenLoaded = false;
            m_view->clearHistory();
        }
        Q_EMIT pageLoaded(ok);
    };
    m_layout->addWidget(m_view->widget(), 1);
}

bool HelpBrowser::allowNavigation(const Navigation& navigation) {
    if (m_allowAll || isInsideHelp(navigation.url))
        return true;
    // The user guide stays on its own pages; the rest of the web opens in
    // the user's browser, when the user asked for it.
    if (navigation.byUser && navigation.mainFrame)
        Platform::instance().openUrl(navigation.url);
    return false;
}

void HelpBrowser::prepare(bool allowAll, const QString& title) {
    if (m_probe && m_probe->isRunning())
        m_probe->disconnect(this);
    m_allowAll = allowAll;
    setWindowTitle(title);
}

void HelpBrowser::go() {
    ensureView();
    m_buttonStrip->setVisible(m_allowAll);
    if (m_helpURL.isEmpty())
        m_helpURL = helpStartUrl();
    m_view->clearHistory();
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    m_clearWhenLoaded = true;
    m_view->load(m_helpURL);
}

void HelpBrowser::present() {
    QDialog::show();
    raise();
    activateWindow();
    // Keys scroll the page at once.
    m_view->widget()->setFocus();
}

void HelpBrowser::show() {
    prepare(false, tr("Morvane Help"));
    m_helpURL = QUrl();
    m_isModal = false;
    go();
    present();
}

void HelpBrowser::showModal() {
    prepare(false, tr("Morvane Help"));
    m_helpURL = QUrl();
    if (m_isModal && isVisible())
        return; // already running modally
    go();
    hide();
    m_isModal = true;
    m_view->widget()->setFocus();
    exec();
    m_isModal = false;
}

void HelpBrowser::showPHP(const QStringList& preferredLanguages) {
    prepare(true, tr("PHP Help"));
    m_isModal = false;
    const QUrl preferred = m_links.phpManualUrl(languageCode(preferredLanguages));
    const QUrl fallback = m_links.phpManualFallbackUrl();
    if (!m_probe)
        m_probe = new PhpManualProbe(this);
    connect(
        m_probe, &PhpManualProbe::decided, this,
        [this](const QUrl& url) {
            m_helpURL = url;
            go();
            Q_EMIT phpManualChosen(url);
        },
        Qt::SingleShotConnection);
    ensureView();
    m_buttonStrip->setVisible(true);
    present();
    m_probe->start(preferred, fallback);
}

void HelpBrowser::showHTML() {
    prepare(true, tr("HTML Help"));
    m_isModal = false;
    m_helpURL = m_links.htmlReferenceUrl();
    go();
    present();
}

} // namespace morvane::help
