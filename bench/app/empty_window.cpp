// The peers of the start-up benchmark: an empty Qt Widgets window that exits
// at its first frame, exactly as `morvane` does under MORVANE_EXIT_AT_FIRST_FRAME.
// With --label the window shows one line of text, so that it pays for the
// font system's start-up as every real window does.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <cstring>

#include <cstdio>
#include <cstdlib>

namespace {
class Window : public QMainWindow {
protected:
    void paintEvent(QPaintEvent* e) override {
        QMainWindow::paintEvent(e);
        std::fflush(stdout);
        std::_Exit(0);
    }
};
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Window w;
    w.resize(1100, 800);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        w.setCentralWidget(new QLabel(QStringLiteral("Morvane"), &w));
    w.show();
    return app.exec();
}
