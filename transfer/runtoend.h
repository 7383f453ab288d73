// Runs a job of the transfer engine (a walk, a download, deletions, an
// upload or a connection test) to its end on a local event loop. For the
// command line, checks made before a job and tests; the window shows its
// jobs in their own windows instead.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

namespace morvane {

template <typename Job> void runToEnd(Job& job) {
    QEventLoop loop;
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    job.start();
    if (!job.isFinished())
        loop.exec();
    QCoreApplication::processEvents(); // what was queued with finished()
}

} // namespace morvane
