#include "editor/findbar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace morvane {

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("findBar"));
    setAccessibleName(tr("Find and replace"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    auto* findLabel = new QLabel(tr("F&ind:"), this);
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("findField"));
    m_find->setAccessibleName(tr("Text to find"));
    m_find->setClearButtonEnabled(true);
    // The field's own clear button comes without a name.
    for (QToolButton* clear : m_find->findChildren<QToolButton*>())
        clear->setAccessibleName(tr("Clear the text to find"));
    findLabel->setBuddy(m_find);
    auto* previous = new QPushButton(tr("&Previous"), this);
    previous->setAccessibleName(tr("Find previous"));
    auto* next = new QPushButton(tr("&Next"), this);
    next->setAccessibleName(tr("Find next"));
    m_case = new QCheckBox(tr("Match &case"), this);
    m_words = new QCheckBox(tr("&Whole words"), this);
    m_regex = new QCheckBox(tr("Regular e&xpression"), this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("findStatus"));
    m_status->setAccessibleName(tr("Find result"));
    m_status->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000 of 000000")));
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u2715"));
    close->setAutoRaise(true);
    close->setToolTip(tr("Close the find bar (Escape)"));
    close->setAccessibleName(tr("Close the find bar"));

    // First line: the text to find, the buttons, the result. Second line:
    // the replacement (for Replace) and the switches.
    m_find->setMinimumWidth(fontMetrics().averageCharWidth() * 28);
    auto* row = new QHBoxLayout;
    row->addWidget(m_find, 2);
    row->addWidget(previous);
    row->addWidget(next);
    row->addWidget(m_status, 3);
    row->addWidget(close);
    grid->addWidget(findLabel, 0, 0);
    grid->addLayout(row, 0, 1);

    m_replaceRow = new QWidget(this);
    auto* replaceLabel = m_replaceLabel = new QLabel(tr("Replace wi&th:"), this);
    m_replace = new QLineEdit(m_replaceRow);
    m_replace->setObjectName(QStringLiteral("replaceField"));
    m_replace->setAccessibleName(tr("Replacement text"));
    m_replace->setMinimumWidth(fontMetrics().averageCharWidth() * 28);
    replaceLabel->setBuddy(m_replace);
    auto* replace = new QPushButton(tr("&Replace"), m_replaceRow);
    auto* replaceAll = new QPushButton(tr("Replace &All"), m_replaceRow);
    auto* rrow = new QHBoxLayout(m_replaceRow);
    rrow->setContentsMargins(0, 0, 0, 0);
    rrow->addWidget(m_replace, 1);
    rrow->addWidget(replace);
    rrow->addWidget(replaceAll);
    auto* second = new QHBoxLayout;
    second->addWidget(m_replaceRow, 3);
    second->addWidget(m_case);
    second->addWidget(m_words);
    second->addWidget(m_regex);
    second->addStretch(1);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addLayout(second, 1, 1);

    connect(m_find, &QLineEdit::textChanged, this, &FindBar::queryChanged);
    for (QCheckBox* box : {m_case, m_words, m_regex})
        connect(box, &QCheckBox::toggled, this, &FindBar::queryChanged);
    connect(m_find, &QLineEdit::returnPressed, this, [this] {
        if (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)
            Q_EMIT findPreviousRequested();
        else
            Q_EMIT findNextRequested();
    });
    connect(m_replace, &QLineEdit::returnPressed, this, &FindBar::replaceRequested);
    connect(next, &QPushButton::clicked, this, &FindBar::findNextRequested);
    connect(previous, &QPushButton::clicked, this, &FindBar::findPreviousRequested);
    connect(replace, &QPushButton::clicked, this, &FindBar::replaceRequested);
    connect(replaceAll, &QPushButton::clicked, this, &FindBar::replaceAllRequested);
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        Q_EMIT closed();
    });
    m_replaceRow->hide();
    replaceLabel->hide();
    // Tab goes from the text to find to its replacement, then to the buttons.
    setTabOrder(m_find, m_replace);
    setTabOrder(m_replace, replace);
    setTabOrder(replace, replaceAll);
    setTabOrder(replaceAll, previous);
    setTabOrder(previous, next);
    setTabOrder(next, m_case);
    setTabOrder(m_case, m_words);
    setTabOrder(m_words, m_regex);
    setTabOrder(m_regex, close);
}

void FindBar::open(bool replace) {
    m_replaceRow->setVisible(replace);
    m_replaceLabel->setVisible(replace);
    show();
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

bool FindBar::isReplaceShown() const {
    return !m_replaceRow->isHidden();
}

QString FindBar::findText() const {
    return m_find->text();
}

void FindBar::setFindText(const QString& text) {
    m_find->setText(text);
}

QString FindBar::replaceText() const {
    return m_replace->text();
}

FindOptions FindBar::options() const {
    return FindOptions{m_case->isChecked(), m_words->isChecked(), m_regex->isChecked()};
}

void FindBar::setOptions(const FindOptions& options) {
    m_case->setChecked(options.caseSensitive);
    m_words->setChecked(options.wholeWords);
    m_regex->setChecked(options.regularExpression);
}

void FindBar::setStatus(const QString& text, bool error) {
    m_status->setText(text);
    m_status->setToolTip(text);
    QPalette pal = palette();
    if (error)
        pal.setColor(QPalette::WindowText, QColor(190, 0, 0));
    m_status->setPalette(pal);
}

QString FindBar::status() const {
    return m_status->text();
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        Q_EMIT closed();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace morvane
