// The outline's in-place name editor: black text on pale yellow, the whole
// name selected. Return, Tab or leaving the field commits the typed name
// through the commit handler; a refused name keeps the field open with the
// text as typed, so the user can correct it. Escape leaves the name as it was.
#pragma once

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

#include <functional>

namespace morvane {

class RenameDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Carries out the rename of the row; true when the editing may end (the
    // name was taken, or it did not change).
    using CommitHandler = std::function<bool(const QModelIndex& index, const QString& name)>;

    explicit RenameDelegate(QObject* parent = nullptr);

    void setCommitHandler(CommitHandler handler) { m_commit = std::move(handler); }

    // The field of the rename in progress, if any.
    QLineEdit* editor() const { return m_editor; }
    // Commits the typed name as Return does. True when the editing ended.
    bool commit();

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void finish(QLineEdit* field, EndEditHint hint);

    CommitHandler m_commit;
    mutable QPointer<QLineEdit> m_editor;
    mutable QPersistentModelIndex m_index;
    // Set while a commit runs: its alert takes the focus from the field,
    // which must not commit a second time.
    bool m_committing = false;
};

} // namespace morvane
