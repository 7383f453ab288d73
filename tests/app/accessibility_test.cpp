// What a screen reader finds: the accessibility tree of each window, walked
// through Qt's own interfaces (what AT-SPI hands on). Every control a user
// can operate has a name, and the name is not just what it holds now (a
// pop-up read as the site it shows tells nothing of what it chooses).
#include "sitefixture.h"

#include "app/filechangebar.h"
#include "editor/findbar.h"
#include "editor/preferences.h"
#include "editor/prefswindow.h"
#include "qtprinters.h"
#include "sites/sitedialog.h"
#include "transfer/transferwindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QSet>
#include <QToolButton>

using namespace morvane;
using namespace morvane::test;

namespace {

bool isInteractive(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
    case QAccessible::Tree:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::PageTab:
    case QAccessible::MenuItem:
    case QAccessible::Link:
    case QAccessible::ColumnHeader:
    case QAccessible::ProgressBar:
        return true;
    default:
        return false;
    }
}

// Controls whose value is what the user chose or typed (the value of a list
// or tree is its own name).
bool holdsUserValue(QAccessible::Role role) {
    return role == QAccessible::ComboBox || role == QAccessible::EditableText ||
           role == QAccessible::SpinBox;
}

// The rows of lists and trees are named by what they show; a header named
// by its number tells nothing.
bool isBareNumber(const QString& text) {
    bool number = false;
    text.toInt(&number);
    return number;
}

QString describe(QAccessibleInterface* iface, const QString& path) {
    QObject* o = iface->object();
    const QString what =
        o ? QString::fromLatin1(o->metaObject()->className()) +
                (o->objectName().isEmpty() ? QString() : QLatin1Char('#') + o->objectName())
          : QStringLiteral("role %1").arg(int(iface->role()), 0, 16);
    return path + QLatin1Char('/') + what;
}

// Walks the tree below `iface` and lists each interactive control without a
// proper name.
void walk(QAccessibleInterface* iface, const QString& path, QStringList* problems, int depth = 0) {
    if (!iface || !iface->isValid() || depth > 40)
        return;
    const QString here = describe(iface, path);
    const QAccessible::Role role = iface->role();
    if (isInteractive(role)) {
        const QString name = iface->text(QAccessible::Name).trimmed();
        const QString value = iface->text(QAccessible::Value).trimmed();
        if (name.isEmpty())
            *problems << here + QStringLiteral(": no name");
        else if (holdsUserValue(role) && !value.isEmpty() && name == value)
            *problems << here + QStringLiteral(": named by its value \"%1\"").arg(value);
        else if (role == QAccessible::ColumnHeader && isBareNumber(name))
            *problems << here + QStringLiteral(": named by a number \"%1\"").arg(name);
    }
    // The rows of a list or tree are its data, named by it.
    if (role == QAccessible::Tree || role == QAccessible::List || role == QAccessible::Table) {
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* child = iface->child(i);
            if (child && child->role() == QAccessible::ColumnHeader)
                walk(child, here, problems, depth + 1);
        }
        return;
    }
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), here, problems, depth + 1);
}

QStringList unnamedControls(QWidget* window) {
    QStringList problems;
    walk(QAccessible::queryAccessibleInterface(window), QString(), &problems);
    return problems;
}

int countInteractive(QAccessibleInterface* iface, int depth = 0) {
    if (!iface || depth > 40)
        return 0;
    int n = isInteractive(iface->role()) ? 1 : 0;
    for (int i = 0; i < iface->childCount(); ++i)
        n += countInteractive(iface->child(i), depth + 1);
    return n;
}

class AccessibilityTest : public SiteFixture {};

// The letter after "&" in a label or button text, lower case; null for none.
QChar mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text[i + 1].toLower();
        ++i;
    }
    return {};
}

// Each field of a dialog is reached by Alt and its label's letter, and no
// two controls share a letter (Alt would then go to the wrong one first).
QStringList mnemonicProblems(QWidget* dialog) {
    QStringList problems;
    QMap<QChar, QString> taken;
    QSet<QWidget*> labelled;
    const auto take = [&](const QString& text, const QString& who) {
        const QChar letter = mnemonic(text);
        if (letter.isNull())
            return false;
        if (taken.contains(letter))
            problems << QStringLiteral("%1 and %2 share Alt+%3").arg(taken[letter], who, letter);
        taken[letter] = who;
        return true;
    };
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->buddy())
            continue;
        if (take(label->text(), label->text()))
            labelled << label->buddy();
        else
            problems << QStringLiteral("label \"%1\" has no Alt letter").arg(label->text());
    }
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (!button->text().isEmpty() && button->text() != QLatin1String("OK") &&
            button->text() != QLatin1String("Cancel") && button->text() != QLatin1String("Close"))
            take(button->text(), button->text());
    for (QWidget* field : dialog->findChildren<QWidget*>()) {
        const bool isField = qobject_cast<QLineEdit*>(field) || qobject_cast<QComboBox*>(field) ||
                             qobject_cast<QPlainTextEdit*>(field);
        if (isField && !labelled.contains(field) && field->focusPolicy() != Qt::NoFocus &&
            !qobject_cast<QComboBox*>(field->parentWidget()))
            problems << QStringLiteral("field %1 has no label with an Alt letter")
                            .arg(field->objectName());
    }
    return problems;
}

TEST_F(AccessibilityTest, EveryDialogFieldHasALabelWithItsOwnAltLetter) {
    SiteDialog siteDialog;
    siteDialog.setHelpHandler([] {});
    Preferences prefs;
    PrefsWindow prefsWindow(prefs, [] { return paths::openSettings(); });
    const struct {
        const char* name;
        QWidget* dialog;
    } dialogs[] = {
        {"site dialog", &siteDialog},
        {"preferences", &prefsWindow},
        {"find bar", app->window()->findBar()},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.name);
        EXPECT_EQ(mnemonicProblems(d.dialog), QStringList());
    }
}

TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasAName) {
    // Each window with values in its controls, so that a name that is only
    // the value shows up.
    selectPath("b.html");
    selectPath("a.html");
    typeAtEnd("x");
    app->window()->actionReplace()->trigger();
    FindBar* bar = app->window()->findBar();
    bar->findField()->setText(QStringLiteral("p"));
    bar->replaceField()->setText(QStringLiteral("q"));
    // The bar that tells of a change on disk, as the disk watch shows it.
    app->window()->fileChangeBar()->showChoice(
        QStringLiteral("a.html was changed by another program."),
        {QStringLiteral("&Reload"), QStringLiteral("Read the file again")},
        {QStringLiteral("&Keep Mine"), QStringLiteral("Keep the edits")});

    SiteDialog siteDialog;
    SiteList sites;
    Site site;
    site.setValue(sitekey::sitename, "One");
    site.setValue(sitekey::server, "ftp.example.org");
    site.setValue(sitekey::username, "me");
    site.setValue(sitekey::localpath, this->site);
    sites.append(site);
    siteDialog.setSites(&sites);
    siteDialog.setSiteName("One");
    siteDialog.setHelpHandler([] {});

    Preferences prefs;
    PrefsWindow prefsWindow(prefs, [] { return paths::openSettings(); });

    Site server;
    server.setValue(sitekey::server, "127.0.0.1:9");
    TransferWindow transferWindow(TransferJob::makeConnectionTest(server));

    const struct {
        const char* name;
        QWidget* window;
        int atLeast; // controls expected, so that an empty walk cannot pass
    } windows[] = {
        {"main window", app->window(), 20},      {"find bar", bar, 10},
        {"site dialog", &siteDialog, 15},        {"preferences", &prefsWindow, 12},
        {"transfer window", &transferWindow, 3},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        w.window->show();
        EXPECT_EQ(unnamedControls(w.window), QStringList());
        EXPECT_GE(countInteractive(QAccessible::queryAccessibleInterface(w.window)), w.atLeast);
    }
}

TEST_F(AccessibilityTest, TheControlsFoundUnnamedBeforeHaveTheirNames) {
    selectPath("a.html");
    MainWindow* w = app->window();
    SiteDialog siteDialog;
    QToolButton* clear = w->findBar()->findField()->findChild<QToolButton*>();
    ASSERT_NE(clear, nullptr);
    const struct {
        QWidget* control;
        const char* name;
    } cases[] = {
        {w->popupSites(), "Site"},
        {w->popupOpenFiles(), "Open files"},
        {w->outlineView(), "Site files"},
        {clear, "Clear the text to find"},
        {siteDialog.fieldLocalPath, "Local Folder:"},
        {siteDialog.comboProtocol, "Protocol"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(c.control);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->text(QAccessible::Name), c.name);
    }
    // The tree's one column is "Name" to a screen reader, not "1".
    EXPECT_EQ(w->outlineView()->model()->headerData(0, Qt::Horizontal).toString(), "Name");
}

} // namespace
