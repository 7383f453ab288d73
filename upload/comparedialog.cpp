#include "upload/comparedialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace morvane {

namespace {

constexpr int kStateRole = Qt::UserRole + 1;

QString stateText(sitecompare::State state) {
    switch (state) {
    case sitecompare::State::OnlyHere:
        return CompareDialog::tr("Only here");
    case sitecompare::State::OnlyOnServer:
        return CompareDialog::tr("Only on the server");
    case sitecompare::State::Differs:
        return CompareDialog::tr("Differs");
    case sitecompare::State::Same:
        break;
    }
    return CompareDialog::tr("Same");
}

} // namespace

CompareDialog::CompareDialog(const QList<sitecompare::Row>& rows, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(tr("Compare with Server"));
    resize(560, 420);
    auto* heading = new QLabel(tr("These files are not the same here and on the server:"), this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("compareList"));
    m_list->setAccessibleName(tr("Files that differ"));
    m_list->setHeaderLabels({tr("File"), tr("State")});
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    heading->setBuddy(m_list);
    for (const sitecompare::Row& row : rows) {
        auto* item = new QTreeWidgetItem(m_list, {row.path, stateText(row.state)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        item->setData(0, kStateRole, int(row.state));
    }
    connect(m_list, &QTreeWidget::itemChanged, this, &CompareDialog::updateButtons);

    auto* buttons = new QDialogButtonBox(this);
    m_upload = buttons->addButton(tr("&Upload"), QDialogButtonBox::ActionRole);
    m_upload->setAccessibleName(tr("Upload the checked files"));
    m_download = buttons->addButton(tr("&Download"), QDialogButtonBox::ActionRole);
    m_download->setAccessibleName(tr("Download the checked files"));
    m_delete = buttons->addButton(tr("D&elete on Server"), QDialogButtonBox::ActionRole);
    m_delete->setAccessibleName(tr("Delete the checked files on the server"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setAccessibleName(tr("Close"));
    auto choose = [this](Action action) {
        m_action = action;
        accept();
    };
    connect(m_upload, &QPushButton::clicked, this, [choose] { choose(Action::Upload); });
    connect(m_download, &QPushButton::clicked, this, [choose] { choose(Action::Download); });
    connect(m_delete, &QPushButton::clicked, this, [choose] { choose(Action::Delete); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    updateButtons();
}

// here: files that exist here (to upload); there: on the server (to
// download). Both: to delete (only on the server).
QStringList CompareDialog::checked(bool here, bool there) const {
    QStringList out;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked)
            continue;
        const auto state = sitecompare::State(item->data(0, kStateRole).toInt());
        const bool isHere = state != sitecompare::State::OnlyOnServer;
        const bool isThere = state != sitecompare::State::OnlyHere;
        if (here && there ? state == sitecompare::State::OnlyOnServer
                          : (here && isHere) || (there && isThere))
            out << item->text(0);
    }
    return out;
}

void CompareDialog::updateButtons() {
    m_upload->setEnabled(!checked(true, false).isEmpty());
    m_download->setEnabled(!checked(false, true).isEmpty());
    m_delete->setEnabled(!checked(true, true).isEmpty());
}

QStringList CompareDialog::chosenFiles() const {
    switch (m_action) {
    case Action::Upload:
        return checked(true, false);
    case Action::Download:
        return checked(false, true);
    case Action::Delete:
        return checked(true, true);
    case Action::None:
        break;
    }
    return {};
}

} // namespace morvane
