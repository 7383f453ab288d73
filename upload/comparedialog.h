// Compare with Server: every file that is not the same here and on the
// server, with its state and a check box, and the three things that can be
// done with the checked ones: Upload, Download, Delete on Server.
#pragma once

#include "upload/sitecompare.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace morvane {

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    enum class Action { None, Upload, Download, Delete };

    // `rows`: the files that are not the same; every row starts checked.
    explicit CompareDialog(const QList<sitecompare::Row>& rows, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    QPushButton* uploadButton() const { return m_upload; }
    QPushButton* downloadButton() const { return m_download; }
    QPushButton* deleteButton() const { return m_delete; }

    // After exec(): what was chosen, and the checked files it applies to
    // (those of a state the action makes sense for).
    Action action() const { return m_action; }
    QStringList chosenFiles() const;

private:
    void updateButtons();
    QStringList checked(bool here, bool there) const;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_upload = nullptr;
    QPushButton* m_download = nullptr;
    QPushButton* m_delete = nullptr;
    Action m_action = Action::None;
};

} // namespace morvane
