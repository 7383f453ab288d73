// The progress part of the transfer and sync windows: the file being sent
// or fetched (with a bar over its bytes when it is larger than 1 MB), an
// overall bar of the files done, and a line with files and bytes done of
// the totals, the speed and the time left. It shows a TransferProgress and
// keeps the clock; the numbers are worked out there.
#pragma once

#include "transfer/transferprogress.h"

#include <QElapsedTimer>
#include <QList>
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
    // Files and bytes of the files completed.
    void setDone(int filesDone, qint64 bytesDone);
    // The files in flight (path, size, bytes so far): their bytes count as
    // done, and the largest is shown as the current file.
    struct Flight {
        QString path;
        qint64 size = 0;
        qint64 bytes = 0;
    };
    void showInFlight(const QList<Flight>& running);
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
    qint64 m_completedBytes = 0;
    QLabel* m_file = nullptr;
    QProgressBar* m_fileBar = nullptr;
    QProgressBar* m_overall = nullptr;
    QLabel* m_counts = nullptr;
};

} // namespace morvane
