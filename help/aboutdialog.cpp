#include "help/aboutdialog.h"

#include "resources/resources.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvane::help {

QString aboutText() {
    const QString libraries =
        QObject::tr("<li>Qt %1 (LGPL-3.0) &mdash; windows, settings, network</li>"
                    "<li>Qt WebEngine (LGPL-3.0) &mdash; preview and help pages, loaded on "
                    "first use</li>"
                    "<li>libcurl (curl licence) &mdash; FTP transfers, loaded on first use</li>"
                    "<li>Discount (BSD-3-Clause) &mdash; Markdown to HTML</li>")
            .arg(QString::fromLatin1(qVersion()));
    return QObject::tr("<h2>Morvane</h2>"
                       "<p>Version %1</p>"
                       "<p>A desktop editor for small web sites.</p>"
                       "<p>Licence: %2</p>"
                       "<p>Built on:</p><ul>%3</ul>")
        .arg(QStringLiteral(MORVANE_VERSION), QStringLiteral(MORVANE_LICENSE), libraries);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    initResources();
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(tr("About Morvane"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/Morvane/icons/morvane.png")).pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon);
    auto* text = new QLabel(aboutText(), this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setAccessibleName(tr("About Morvane"));
    row->addWidget(text, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(tr("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace morvane::help
