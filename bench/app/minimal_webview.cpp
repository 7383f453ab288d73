// The least a program can do to show a page in a web view: create a
// QWebEngineView and load the page. Prints the milliseconds from creating
// the view to load-finished, and the peak memory in KiB, for the preview
// benchmark to compare the program with.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

namespace {
long peakKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QElapsedTimer timer;
    timer.start();
    QWebEngineView view;
    view.resize(800, 600);
    view.show();
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [&](bool) {
        std::printf("%lld %ld\n", static_cast<long long>(timer.nsecsElapsed()), peakKiB());
        std::fflush(stdout);
        app.quit();
    });
    view.load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    return app.exec();
}
