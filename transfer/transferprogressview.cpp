#include "transfer/transferprogressview.h"

#include "transfer/ftpaddress.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace morvane {

namespace {
// A bar over bytes counts in KB, so that files over 2 GB fit its int range.
int kilobytes(qint64 bytes) {
    return int(std::min<qint64>(bytes / 1024, std::numeric_limits<int>::max()));
}
// The overall bar runs over the bytes when the run has a byte total (a
// large file weighs as it takes time), else over the files; in steps of a
// thousandth either way.
constexpr int kSteps = 1000;
int overallValue(const TransferProgress& p) {
    if (p.bytesTotal() > 0)
        return int(std::min<qint64>(kSteps, p.bytesDone() * kSteps / p.bytesTotal()));
    if (p.filesTotal() > 0)
        return int(std::min<qint64>(kSteps, qint64(p.filesDone()) * kSteps / p.filesTotal()));
    return 0;
}
} // namespace

TransferProgressView::TransferProgressView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("transferProgress"));
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("currentFile"));
    m_file->setAccessibleName(tr("File being transferred"));
    m_file->setTextFormat(Qt::PlainText);
    m_file->hide();
    m_fileBar = new QProgressBar(this);
    m_fileBar->setObjectName(QStringLiteral("fileProgress"));
    m_fileBar->setAccessibleName(tr("Progress of the current file"));
    m_fileBar->hide();
    m_overall = new QProgressBar(this);
    m_overall->setObjectName(QStringLiteral("overall"));
    m_overall->setAccessibleName(tr("Overall progress"));
    m_overall->setRange(0, 0);
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("counts"));
    m_counts->setAccessibleName(tr("Files and bytes done, speed and time left"));
    m_counts->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_file);
    layout->addWidget(m_fileBar);
    layout->addWidget(m_overall);
    layout->addWidget(m_counts);
}

void TransferProgressView::startBusy() {
    m_model.start(0, 0, 0);
    m_completedBytes = 0;
    m_clock.start();
    m_overall->setRange(0, 0);
    m_overall->setTextVisible(false);
    m_counts->clear();
    m_file->hide();
    m_fileBar->hide();
}

void TransferProgressView::start(int filesTotal, qint64 bytesTotal) {
    startBusy();
    m_model.start(filesTotal, bytesTotal, 0);
    m_overall->setRange(0, kSteps);
    m_overall->setValue(0);
    m_overall->setTextVisible(true);
    refresh();
}

void TransferProgressView::setDone(int filesDone, qint64 bytesDone) {
    if (m_overall->maximum() == 0) { // the totals came with the first figures
        m_overall->setRange(0, kSteps);
        m_overall->setTextVisible(true);
    }
    m_completedBytes = bytesDone;
    m_model.setDone(filesDone, bytesDone, m_clock.elapsed());
    refresh();
}

void TransferProgressView::showInFlight(const QList<Flight>& running) {
    // The file shown stays while it runs; then the largest running one.
    qint64 bytes = m_completedBytes;
    const Flight* largest = nullptr;
    const Flight* current = nullptr;
    for (const Flight& f : running) {
        bytes += std::max<qint64>(0, f.bytes);
        if (!largest || f.size > largest->size)
            largest = &f;
        if (f.path == m_model.currentFile())
            current = &f;
    }
    if (current)
        largest = current;
    m_model.setDone(m_model.filesDone(), bytes, m_clock.elapsed());
    if (largest) {
        if (largest->path != m_model.currentFile())
            m_model.setCurrentFile(largest->path, largest->size);
        m_model.setCurrentBytes(largest->bytes);
    } else {
        m_model.setCurrentFile(QString(), 0);
    }
    refresh();
}

void TransferProgressView::finish(bool succeeded) {
    m_overall->setRange(0, kSteps);
    m_overall->setValue(succeeded ? kSteps : overallValue(m_model));
    m_overall->setTextVisible(true);
    m_file->hide();
    m_fileBar->hide();
    m_model.setCurrentFile(QString(), 0);
    m_model.setDone(m_model.filesDone(), m_model.bytesDone(), m_clock.elapsed());
    if (m_model.filesTotal() > 0)
        m_counts->setText(m_model.countsText());
}

void TransferProgressView::refresh() {
    if (m_overall->maximum() > 0)
        m_overall->setValue(overallValue(m_model));
    m_counts->setText(m_model.countsText());
    // The line stays while the run lasts (empty between files), so that the
    // bars below it do not jump.
    const QString file = m_model.currentFile();
    m_file->setVisible(m_model.filesTotal() > 0);
    m_file->setText(file.isEmpty() ? QString() : ftppath::printable(file));
    const bool bar = m_model.showsFileBar();
    m_fileBar->setVisible(bar);
    if (bar) {
        m_fileBar->setRange(0, std::max(1, kilobytes(m_model.currentSize())));
        m_fileBar->setValue(std::min(kilobytes(m_model.currentBytes()), m_fileBar->maximum()));
    }
}

} // namespace morvane
