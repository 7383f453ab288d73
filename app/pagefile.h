// Reading a file of the site for the preview, as a page is read from disk:
// only a regular file, opened without waiting (a FIFO or a device named like
// a page never holds the reader), and never more than a bound, off the
// window's thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QObject;

namespace morvane::preview {

struct PageFile {
    enum class Status { Read, NotRegular, TooLarge, Failed };
    Status status = Status::Failed;
    QByteArray data;
    QString error; // the system's words when the file could not be read
};

// Reads at most `limit` bytes of `path`; a longer file is TooLarge, anything
// but a regular file (after links) NotRegular. Blocks only on the disk.
PageFile readPageFile(const QString& path, qint64 limit);

// readPageFile on a worker thread; `done` runs on the window's thread, and
// only while `context` lives.
void readPageFileAsync(QObject* context, const QString& path, qint64 limit,
                       std::function<void(const PageFile&)> done);

// The sentence the preview shows for a file it did not read.
QString pageFileProblem(const QString& path, const PageFile& read);

} // namespace morvane::preview
