// The Edit tab's page for a file that is not in an editor: a file that is not
// text, or one that could not be read, with the reason and, where reading
// again may help, a button to try.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace morvane {

class FileNotice : public QWidget {
    Q_OBJECT
public:
    explicit FileNotice(QWidget* parent = nullptr);

    void setMessage(const QString& title, const QString& detail, bool canRetry);
    QString title() const;
    QString detail() const;
    QPushButton* retryButton() const { return m_retry; }

Q_SIGNALS:
    void retryRequested();

private:
    QLabel* m_title;
    QLabel* m_detail;
    QPushButton* m_retry;
};

} // namespace morvane
