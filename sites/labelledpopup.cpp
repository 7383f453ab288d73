#include "sites/labelledpopup.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace morvane {

namespace {

class LabelledPopupInterface : public QAccessibleWidget {
public:
    explicit LabelledPopupInterface(QComboBox* popup)
        : QAccessibleWidget(popup, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        const auto* popup = static_cast<const QComboBox*>(object());
        if (t == QAccessible::Value) {
            const QString spoken = popup->currentData(Qt::AccessibleTextRole).toString();
            return spoken.isEmpty() ? popup->currentText() : spoken;
        }
        QString s = QAccessibleWidget::text(t);
        // Unnamed and without a label: the entry is better than nothing.
        if (t == QAccessible::Name && s.isEmpty())
            s = popup->currentText();
        return s;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            static_cast<QComboBox*>(object())->showPopup();
    }
};

} // namespace

void nameByLabel(QComboBox* popup) {
    // An interface made for it earlier (a screen reader asked) gives way.
    if (QAccessibleInterface* earlier = QAccessible::queryAccessibleInterface(popup))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(earlier));
    // The cache owns it and deletes it with the pop-up.
    QAccessible::registerAccessibleInterface(new LabelledPopupInterface(popup));
}

} // namespace morvane
