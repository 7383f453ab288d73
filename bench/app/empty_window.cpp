// The peer of the start-up benchmark: an empty Qt Widgets window that exits
// at its first frame, exactly as `morvane` does under MORVANE_EXIT_AT_FIRST_FRAME.
#include <QApplication>
#include <QMainWindow>

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
    w.show();
    return app.exec();
}
