// The find bar under the editor: the text to find, the replacement (shown
// for Replace), the match case / whole words / regular expression switches,
// the buttons, and a line that tells the number of matches or what is wrong
// with an expression. It only shows and reports; the find controller acts.
#pragma once

#include "editor/findengine.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace morvane {

class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    // Shows the bar (with the replace row when `replace`) and puts the focus
    // in the find field with its text selected.
    void open(bool replace);
    bool isReplaceShown() const;

    QString findText() const;
    void setFindText(const QString& text);
    QString replaceText() const;
    FindOptions options() const;
    void setOptions(const FindOptions& options);

    // The line beside the fields: a count, "Not found", or an error (shown
    // in the error colour).
    void setStatus(const QString& text, bool error = false);
    QString status() const;

    QLineEdit* findField() const { return m_find; }
    QLineEdit* replaceField() const { return m_replace; }

Q_SIGNALS:
    void findNextRequested();
    void findPreviousRequested();
    void replaceRequested();
    void replaceAllRequested();
    // The text to find or a switch changed.
    void queryChanged();
    // Escape or the close button: the bar has hidden itself.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_find;
    QLineEdit* m_replace;
    QWidget* m_replaceRow;
    QLabel* m_replaceLabel;
    QCheckBox* m_case;
    QCheckBox* m_words;
    QCheckBox* m_regex;
    QLabel* m_status;
};

} // namespace morvane
