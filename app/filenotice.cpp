#include "app/filenotice.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvane {

FileNotice::FileNotice(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fileNotice"));
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    m_title = new QLabel(this);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_title->setTextFormat(Qt::PlainText);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_detail = new QLabel(this);
    m_detail->setAlignment(Qt::AlignCenter);
    m_detail->setWordWrap(true);
    m_detail->setTextFormat(Qt::PlainText);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_retry = new QPushButton(tr("Try Again"), this);
    m_retry->setAccessibleName(tr("Try reading the file again"));
    layout->addWidget(m_title);
    layout->addWidget(m_detail);
    layout->addWidget(m_retry, 0, Qt::AlignCenter);
    layout->addStretch(2);
    // The page itself takes the focus, so typing goes nowhere near the file.
    setFocusPolicy(Qt::StrongFocus);
    connect(m_retry, &QPushButton::clicked, this, &FileNotice::retryRequested);
}

void FileNotice::setMessage(const QString& title, const QString& detail, bool canRetry) {
    m_title->setText(title);
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
    m_retry->setVisible(canRetry);
    setAccessibleName(title);
    setAccessibleDescription(detail);
}

QString FileNotice::title() const {
    return m_title->text();
}

QString FileNotice::detail() const {
    return m_detail->text();
}

} // namespace morvane
