// The cost of one keystroke in a real editor on the offscreen platform:
//  - BM_EditPass: the colouring work of a keystroke (keeping the attribute
//    store in step, the edit pass and the redrawn formats), timed from the
//    document's change notification to the end of the colourer's handler;
//  - BM_KeyToFrame: from the key press to a painted frame of the viewport.
// Typing happens at the start, middle and end of the 30 MB HTML+PHP file, in
// the middle of the 30 MB file without '<', and at the start, middle and end
// of 30 MB of real JavaScript (coloured through before typing starts). Each keystroke types a
// character and the next deletes it, so the text stays the same. Reported
// per benchmark: p50, p99 and max of the single keystrokes, in microseconds.
#include "benchfiles.h"

#include "editor/preferences.h"
#include "editor/syntaxcolourer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

using namespace morvane;

namespace {

qint64 threadCpuNs();

struct Editor {
    Preferences prefs;
    QPlainTextEdit editor;
    SyntaxColourer* colourer = nullptr;
    QElapsedTimer clock;
    qint64 started = 0;
    qint64 lastHandler = 0; // ns spent in the colourer's handler for the last change
    qint64 startedCpu = 0;
    qint64 lastHandlerCpu = 0;

    explicit Editor(const char* file) {
        const bool js = QByteArray(file).endsWith(".js");
        editor.resize(900, 700);
        editor.setLineWrapMode(QPlainTextEdit::WidgetWidth);
        clock.start();
        // Connected around the colourer's own handler, in this order.
        QObject::connect(editor.document(), &QTextDocument::contentsChange, &editor, [this] {
            startedCpu = threadCpuNs();
            started = clock.nsecsElapsed();
        });
        colourer = colourWithPreferences(&editor, prefs);
        colourer->setFilePath(js ? QStringLiteral("bench.js") : QStringLiteral("bench.php"));
        QObject::connect(editor.document(), &QTextDocument::contentsChange, &editor, [this] {
            lastHandler = clock.nsecsElapsed() - started;
            lastHandlerCpu = threadCpuNs() - startedCpu;
        });
        editor.show();
        editor.setPlainText(bench::readBenchFile(file));
        settle();
        // A script is coloured through in the background after opening.
        while (!colourer->isColouringComplete())
            QCoreApplication::processEvents();
    }
    void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    void placeCursor(double where) {
        const int len = editor.document()->characterCount() - 1;
        QTextCursor c(editor.document());
        c.setPosition(std::clamp(int(len * where), 0, len));
        editor.setTextCursor(c);
        editor.centerCursor();
        settle();
        editor.viewport()->repaint();
        settle();
    }
};

// Loaded editors, kept across benchmarks (loading 30 MB takes seconds) and
// destroyed before the application object.
std::map<std::string, std::unique_ptr<Editor>> g_editors;

Editor& editorFor(const char* file) {
    auto& e = g_editors[file];
    if (!e)
        e = std::make_unique<Editor>(file);
    return *e;
}

// CPU time of this thread: what the work costs, without the time the
// process waited for a core on a busy machine.
qint64 threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void report(benchmark::State& state, std::vector<double>& us, const char* prefix = "") {
    std::sort(us.begin(), us.end());
    auto pct = [&](double p) {
        return us.empty() ? 0.0 : us[std::size_t(p * double(us.size() - 1))];
    };
    const std::string pre(prefix);
    state.counters[pre + "p50_us"] = pct(0.5);
    state.counters[pre + "p99_us"] = pct(0.99);
    state.counters[pre + "max_us"] = us.empty() ? 0.0 : us.back();
}

void editPass(benchmark::State& state, const char* file, double where) {
    Editor& e = editorFor(file);
    e.placeCursor(where);
    std::vector<double> us, cpu;
    for (auto _ : state) {
        QTextCursor c = e.editor.textCursor();
        c.insertText(QStringLiteral("x"));
        const qint64 typed = e.lastHandler;
        cpu.push_back(e.lastHandlerCpu / 1000.0);
        c.deletePreviousChar();
        const qint64 deleted = e.lastHandler;
        cpu.push_back(e.lastHandlerCpu / 1000.0);
        us.push_back(typed / 1000.0);
        us.push_back(deleted / 1000.0);
        state.SetIterationTime((typed + deleted) / 2e9);
    }
    report(state, us);
    report(state, cpu, "cpu_");
}

void keyToFrame(benchmark::State& state, const char* file, double where) {
    Editor& e = editorFor(file);
    e.placeCursor(where);
    std::vector<double> us, cpu;
    QElapsedTimer t;
    auto key = [&](int code, const QString& text) {
        const qint64 cpu0 = threadCpuNs();
        t.start();
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QApplication::sendEvent(&e.editor, &press);
        e.editor.viewport()->repaint();
        const qint64 ns = t.nsecsElapsed();
        cpu.push_back((threadCpuNs() - cpu0) / 1000.0);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QApplication::sendEvent(&e.editor, &release);
        QCoreApplication::processEvents(); // deferred viewport work, outside the timing
        return ns;
    };
    for (auto _ : state) {
        const qint64 a = key(Qt::Key_X, QStringLiteral("x"));
        const qint64 b = key(Qt::Key_Backspace, QString());
        us.push_back(a / 1000.0);
        us.push_back(b / 1000.0);
        state.SetIterationTime((a + b) / 2e9);
    }
    report(state, us);
    report(state, cpu, "cpu_");
}

// The one-off cost the restart rule has: the first viewport pass after a jump
// from the top to the end of a freshly opened 30 MB file scans back to the
// last marked '<' near the top, colouring only the visible part.
void firstJump(benchmark::State& state) {
    for (auto _ : state) {
        Editor e("bench-30mb.php");
        QElapsedTimer t;
        qint64 ns = 0;
        QObject::connect(e.colourer, &SyntaxColourer::passStarted, [&] { t.start(); });
        QObject::connect(e.colourer, &SyntaxColourer::passFinished, [&] { ns = t.nsecsElapsed(); });
        QScrollBar* bar = e.editor.verticalScrollBar();
        bar->setValue(bar->maximum());
        e.settle();
        state.SetIterationTime(ns / 1e9);
        state.counters["window_mb"] =
            (e.colourer->lastPass().stop - e.colourer->lastPass().windowStart) / 1e6;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    struct Case {
        const char* name;
        const char* file;
        double where;
    };
    const Case cases[] = {
        {"start", "bench-30mb.php", 0.0001},   {"middle", "bench-30mb.php", 0.5},
        {"end", "bench-30mb.php", 1.0},        {"plain_middle", "bench-30mb-plain.php", 0.5},
        {"js_start", "bench-30mb.js", 0.0001}, {"js_middle", "bench-30mb.js", 0.5},
        {"js_end", "bench-30mb.js", 1.0},
    };
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark((std::string("BM_EditPass/") + c.name).c_str(),
                                     [c](benchmark::State& s) { editPass(s, c.file, c.where); })
            ->UseManualTime()
            ->Iterations(500)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("BM_KeyToFrame/") + c.name).c_str(),
                                     [c](benchmark::State& s) { keyToFrame(s, c.file, c.where); })
            ->UseManualTime()
            ->Iterations(300)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("BM_FirstViewportPassAfterJumpToEnd", firstJump)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_editors.clear();
    return 0;
}
