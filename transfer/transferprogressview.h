// The progress part of the transfer and sync windows: the file being sent
// or fetched (with a bar over its bytes when it is larger than 1 MB), an
// overall bar of the files done, and a line with files and bytes done of
// the totals, the speed and the time left. It shows a TransferProgress and
// keeps the clock; the numbers are worked out there.
#pragma once

#include "transfer/transferprogress.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace morvane {

class TransferProgressView : public QWidget {
    Q_OBJECT
public:
    explicit TransferProgressView(QWidget* parent = nullptr);

    // A new run: the bar spins until the first figures come.
    void start(int filesTotal, qint64 bytesTotal);
    // A run whose totals are not known yet (a listing): the bar spins.
    void startBusy();
    void setDone(int filesDone, qint64 bytesDone);
    void setCurrentFile(const QString& path, qint64 size);
    void setCurrentBytes(qint64 bytes);
    // The run ended: the bar full on success, else as far as it got.
    void finish(bool succeeded);

    const TransferProgress& model() const { return m_model; }
    QLabel* fileLabel() const { return m_file; }
    QProgressBar* fileBar() const { return m_fileBar; }
    QProgressBar* overall() const { return m_overall; }
    QLabel* counts() const { return m_counts; }

private:
    void refresh();

    TransferProgress m_model;
    QElapsedTimer m_clock;
    QLabel* m_file = nullptr;
    QProgressBar* m_fileBar = nullptr;
    QProgressBar* m_overall = nullptr;
    QLabel* m_counts = nullptr;
};

} // namespace morvane
