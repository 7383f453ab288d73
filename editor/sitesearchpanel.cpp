#include "editor/sitesearchpanel.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace morvane {

namespace {

enum Role {
    PathRole = Qt::UserRole + 1,
    LineRole,
    ColumnRole,
    LengthRole,
    PrefixRole, // characters of the shown text before the match
};

// Draws a result line with its match on the highlight colour.
class MatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariant prefix = index.data(PrefixRole);
        if (!prefix.isValid())
            return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const QRect r = opt.rect.adjusted(4, 0, -4, 0);
        const QFontMetrics fm(opt.font);
        const int a = prefix.toInt();
        const int n = index.data(LengthRole).toInt();
        const int x0 = fm.horizontalAdvance(text.left(a));
        const int w = std::max(2, fm.horizontalAdvance(text.mid(a, n)));
        painter->save();
        painter->fillRect(QRect(r.left() + x0, r.top() + 1, w, r.height() - 2),
                          opt.palette.color(QPalette::Highlight).lighter(150));
        painter->setPen(opt.palette.color(
            opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(r, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
        painter->restore();
    }
};

} // namespace

SiteSearchPanel::SiteSearchPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("siteSearchPanel"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    auto* findLabel = new QLabel(tr("Fin&d in site:"), this);
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("siteFindField"));
    m_find->setAccessibleName(tr("Find in site"));
    findLabel->setBuddy(m_find);
    m_replaceLabel = new QLabel(tr("Rep&lace with:"), this);
    m_replace = new QLineEdit(this);
    m_replace->setObjectName(QStringLiteral("siteReplaceField"));
    m_replace->setAccessibleName(tr("Replace with"));
    m_replaceLabel->setBuddy(m_replace);
    m_case = new QCheckBox(tr("&Match case"), this);
    m_case->setAccessibleName(tr("Match case"));
    m_words = new QCheckBox(tr("Wh&ole words"), this);
    m_words->setAccessibleName(tr("Whole words"));
    m_regex = new QCheckBox(tr("Re&gular expression"), this);
    m_regex->setAccessibleName(tr("Regular expression"));
    m_search = new QPushButton(tr("&Search"), this);
    m_search->setAccessibleName(tr("Find in site"));
    // Without a letter of its own: the window's find bar and menus hold
    // the letters of "Stop".
    m_stop = new QPushButton(tr("Stop"), this);
    m_stop->setAccessibleName(tr("Stop searching"));
    m_stop->setEnabled(false);
    m_replaceAll = new QPushButton(tr("Replace &All"), this);
    m_replaceAll->setAccessibleName(tr("Replace all in site"));
    m_status = new QLabel(this);
    m_status->setAccessibleName(tr("Search progress"));
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(tr("Replacing progress"));
    m_progress->setTextVisible(true);
    m_progress->setFormat(tr("%v of %m files"));
    m_progress->hide();
    m_results = new QTreeWidget(this);
    m_results->setObjectName(QStringLiteral("siteResults"));
    m_results->setAccessibleName(tr("Matches in site"));
    // A hidden header is still read by screen readers, as "1" unless named.
    m_results->setHeaderLabel(tr("Matches in site"));
    m_results->setHeaderHidden(true);
    m_results->setUniformRowHeights(true);
    m_results->setItemDelegate(new MatchDelegate(m_results));

    auto* switches = new QHBoxLayout;
    switches->addWidget(m_case);
    switches->addWidget(m_words);
    switches->addWidget(m_regex);
    switches->addStretch(1);
    switches->addWidget(m_status, 2);
    switches->addWidget(m_progress, 1);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(m_search, 0, 2);
    grid->addWidget(m_stop, 0, 3);
    grid->addWidget(m_replaceLabel, 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(m_replaceAll, 1, 2, 1, 2);
    grid->addLayout(switches, 2, 0, 1, 4);
    grid->addWidget(m_results, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    connect(m_find, &QLineEdit::returnPressed, this, &SiteSearchPanel::searchRequested);
    connect(m_search, &QPushButton::clicked, this, &SiteSearchPanel::searchRequested);
    connect(m_stop, &QPushButton::clicked, this, &SiteSearchPanel::stopRequested);
    connect(m_replaceAll, &QPushButton::clicked, this, &SiteSearchPanel::replaceAllRequested);
    connect(m_results, &QTreeWidget::itemActivated, this, &SiteSearchPanel::choose);
    connect(m_results, &QTreeWidget::itemClicked, this, &SiteSearchPanel::choose);
    setReplaceMode(false);
}

void SiteSearchPanel::setReplaceMode(bool on) {
    m_replaceLabel->setVisible(on);
    m_replace->setVisible(on);
    m_replaceAll->setVisible(on);
}

void SiteSearchPanel::focusSearch() {
    m_find->setFocus();
    m_find->selectAll();
}

QString SiteSearchPanel::pattern() const {
    return m_find->text();
}

QString SiteSearchPanel::replacement() const {
    return m_replace->text();
}

FindOptions SiteSearchPanel::options() const {
    return {m_case->isChecked(), m_words->isChecked(), m_regex->isChecked()};
}

void SiteSearchPanel::clearResults() {
    m_results->clear();
    m_matches = 0;
}

int SiteSearchPanel::fileCount() const {
    return m_results->topLevelItemCount();
}

void SiteSearchPanel::addResults(const QList<SiteFileResult>& files, const QString& root) {
    const QDir base(root);
    for (const SiteFileResult& f : files) {
        auto* file = new QTreeWidgetItem(m_results);
        file->setText(0, tr("%1 (%2)").arg(base.relativeFilePath(f.path)).arg(f.matches.size()));
        file->setData(0, PathRole, f.path);
        file->setData(0, LineRole, f.matches.isEmpty() ? 1 : f.matches.first().line);
        file->setData(0, ColumnRole, f.matches.isEmpty() ? 1 : f.matches.first().column);
        for (const SiteMatch& m : f.matches) {
            auto* line = new QTreeWidgetItem(file);
            const QString head = QStringLiteral("%1:%2: ").arg(m.line).arg(m.column);
            // Leading spaces and tabs say nothing here.
            const QString body = m.lineText;
            qsizetype lead = 0;
            while (lead < body.size() && (body[lead] == u' ' || body[lead] == u'\t'))
                ++lead;
            line->setText(0, head + body.mid(lead));
            line->setData(0, PathRole, f.path);
            line->setData(0, LineRole, m.line);
            line->setData(0, ColumnRole, m.column);
            line->setData(0, LengthRole, int(m.length));
            line->setData(0, PrefixRole,
                          int(head.size() + std::max<qsizetype>(0, m.column - 1 - lead)));
            ++m_matches;
        }
        file->setExpanded(true);
    }
}

void SiteSearchPanel::setStatus(const QString& text) {
    m_status->setText(text);
}

QString SiteSearchPanel::status() const {
    return m_status->text();
}

void SiteSearchPanel::setRunning(bool running, Work work) {
    m_stop->setEnabled(running);
    m_stop->setAccessibleName(running && work == Work::Replacing ? tr("Stop replacing")
                                                                 : tr("Stop searching"));
    m_search->setEnabled(!running);
    m_replaceAll->setEnabled(!running);
    m_progress->setVisible(running && work == Work::Replacing);
}

void SiteSearchPanel::setProgress(int done, int total) {
    m_progress->setRange(0, std::max(1, total));
    m_progress->setValue(std::min(done, std::max(1, total)));
}

void SiteSearchPanel::choose(QTreeWidgetItem* item) {
    if (!item)
        return;
    Q_EMIT resultChosen(item->data(0, PathRole).toString(), item->data(0, LineRole).toInt(),
                        item->data(0, ColumnRole).toInt(), item->data(0, LengthRole).toInt());
}

} // namespace morvane
