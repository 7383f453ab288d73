#include "tree/renamedelegate.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

namespace morvane {

RenameDelegate::RenameDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QWidget* RenameDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex& index) const {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QStringLiteral("renameField"));
    field->setAccessibleName(tr("Name"));
    field->setFrame(false);
    field->setAutoFillBackground(true);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, QColor::fromRgbF(1.0f, 1.0f, 0.9f));
    p.setColor(QPalette::Window, QColor::fromRgbF(1.0f, 1.0f, 0.9f));
    p.setColor(QPalette::Text, Qt::black);
    field->setPalette(p);
    m_editor = field;
    m_index = index;
    return field;
}

void RenameDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* field = qobject_cast<QLineEdit*>(editor);
    if (!field)
        return;
    field->setText(index.data(Qt::EditRole).toString());
    field->selectAll();
}

void RenameDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {
    // The commit handler has renamed the item already; the model follows
    // the tree by itself.
}

void RenameDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (editor == m_editor)
        m_editor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void RenameDelegate::finish(QLineEdit* field, EndEditHint hint) {
    m_editor = nullptr;
    Q_EMIT closeEditor(field, hint);
}

bool RenameDelegate::commit() {
    QLineEdit* field = m_editor;
    if (!field || m_committing)
        return false;
    m_committing = true;
    const bool done = !m_commit || !m_index.isValid() || m_commit(m_index, field->text());
    m_committing = false;
    if (!m_editor)
        return true; // the view ended the editing meanwhile
    if (done) {
        finish(field, QAbstractItemDelegate::NoHint);
    } else {
        // Keep editing what the user typed.
        field->setFocus(Qt::OtherFocusReason);
        field->activateWindow();
    }
    return done;
}

bool RenameDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(object);
    if (!field || field != m_editor)
        return QStyledItemDelegate::eventFilter(object, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab ||
            key == Qt::Key_Backtab) {
            commit();
            return true;
        }
        if (key == Qt::Key_Escape) {
            finish(field, QAbstractItemDelegate::RevertModelCache);
            return true;
        }
        return false;
    }
    case QEvent::FocusOut:
        if (!m_committing)
            commit();
        return false;
    default:
        return QStyledItemDelegate::eventFilter(object, event);
    }
}

} // namespace morvane
