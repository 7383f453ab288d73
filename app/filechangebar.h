// The bar above the editor that tells of a change made to the file by another
// program and offers the two ways on ("Reload" / "Keep Mine", or "Save
// Again" / "Close" for a file that is gone). It never blocks the window: the
// user can go on editing, and nothing is written until one is chosen.
#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace morvane {

class FileChangeBar : public QFrame {
    Q_OBJECT
public:
    explicit FileChangeBar(QWidget* parent = nullptr);

    // One way on: the button's text and what it does.
    struct Choice {
        QString text;
        QString help;
    };
    // Shows the bar with a message and two buttons, or hides it.
    void showChoice(const QString& message, const Choice& first, const Choice& second);
    void clear();

    QString message() const;
    QPushButton* firstButton() const { return m_first; }
    QPushButton* secondButton() const { return m_second; }

Q_SIGNALS:
    void firstChosen();
    void secondChosen();

private:
    QLabel* m_message;
    QPushButton* m_first;
    QPushButton* m_second;
};

} // namespace morvane
