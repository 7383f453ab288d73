#include "app/filechangebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace morvane {

FileChangeBar::FileChangeBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("fileChangeBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 244, 200));
    pal.setColor(QPalette::WindowText, QColor(40, 30, 0));
    setPalette(pal);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_first = new QPushButton(this);
    m_second = new QPushButton(this);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_first);
    layout->addWidget(m_second);
    connect(m_first, &QPushButton::clicked, this, &FileChangeBar::firstChosen);
    connect(m_second, &QPushButton::clicked, this, &FileChangeBar::secondChosen);
    setAccessibleName(tr("File changed on disk"));
    hide();
}

void FileChangeBar::showChoice(const QString& message, const Choice& first, const Choice& second) {
    m_message->setText(message);
    setAccessibleDescription(message);
    for (const auto& [button, choice] : {std::pair{m_first, first}, std::pair{m_second, second}}) {
        button->setText(choice.text);
        button->setAccessibleName(QString(choice.text).remove(QLatin1Char('&')));
        button->setToolTip(choice.help);
    }
    show();
}

void FileChangeBar::clear() {
    m_message->clear();
    hide();
}

QString FileChangeBar::message() const {
    return m_message->text();
}

} // namespace morvane
