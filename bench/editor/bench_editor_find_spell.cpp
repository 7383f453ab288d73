// Find, replace and spelling where they cost most:
//  - BM_KeyToFrameSpelling: from a key press to the painted frame in the
//    30 MB HTML+PHP file, with spell checking on (its words are nearly all
//    unknown, so most visible words are marked): p50/p99/max per keystroke,
//    wall clock and this thread's CPU time; and the same without spelling;
//  - BM_FindNext: the next match from the top of the 30 MB file when the
//    only one is near its end, literal and expression, with the document's
//    text already taken (warm) and right after an edit (cold);
//  - BM_ReplaceAll: 100,000 matches replaced in an editor with colouring,
//    until the window has processed the change.
#include "benchfiles.h"

#include "editor/documentsearch.h"
#include "editor/preferences.h"
#include "editor/spellchecker.h"
#include "editor/spellhighlighter.h"
#include "editor/syntaxcolourer.h"
#include "editor/textview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

using namespace morvane;

namespace {

// CPU time of this thread: the work itself, without the time the process
// waited for a core on a busy machine.
qint64 threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

struct Editor {
    Preferences prefs;
    TextView view{&prefs};
    SyntaxColourer* colourer = nullptr;
    QTemporaryDir dir;
    std::unique_ptr<SpellChecker> checker;
    SpellHighlighter* marks = nullptr;

    Editor(const QString& text, bool spelling) {
        view.resize(900, 700);
        colourer = colourWithPreferences(&view, prefs);
        colourer->setFilePath(QStringLiteral("bench.php"));
        if (spelling) {
            checker = SpellChecker::open(
                *findDictionary(QStringLiteral("en_US"), defaultDictionaryFolders()),
                dir.filePath(QStringLiteral("words.txt")));
            marks = new SpellHighlighter(&view, colourer, checker.get());
            marks->setEnabled(true);
        }
        view.show();
        view.setTextFromProgram(text, TextFormat{});
        settle();
    }
};

// Counts the viewport's paint events, to know whether a frame was drawn.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void report(benchmark::State& state, std::vector<double>& us, const std::string& prefix = {}) {
    std::sort(us.begin(), us.end());
    auto pct = [&](double p) {
        return us.empty() ? 0.0 : us[std::size_t(p * double(us.size() - 1))];
    };
    state.counters[prefix + "p50_us"] = pct(0.5);
    state.counters[prefix + "p99_us"] = pct(0.99);
    state.counters[prefix + "max_us"] = us.empty() ? 0.0 : us.back();
}

void keyToFrame(benchmark::State& state, bool spelling) {
    Editor e(bench::readBenchFile("bench-30mb.php"), spelling);
    PaintCounter counter;
    e.view.viewport()->installEventFilter(&counter);
    QTextCursor c(e.view.document());
    c.setPosition((e.view.document()->characterCount() - 1) / 2);
    e.view.setTextCursor(c);
    e.view.centerCursor();
    settle();
    std::vector<double> us, cpu;
    QElapsedTimer t;
    auto key = [&](int code, const QString& text) {
        const int before = counter.paints;
        const qint64 cpu0 = threadCpuNs();
        t.start();
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QApplication::sendEvent(&e.view, &press);
        // What the event loop does next: the deferred passes, the spelling
        // of the visible text, and the frame.
        QCoreApplication::processEvents();
        if (counter.paints == before)
            e.view.viewport()->repaint();
        us.push_back(t.nsecsElapsed() / 1000.0);
        cpu.push_back((threadCpuNs() - cpu0) / 1000.0);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QApplication::sendEvent(&e.view, &release);
        QCoreApplication::processEvents();
    };
    for (auto _ : state) {
        key(Qt::Key_X, QStringLiteral("x"));
        key(Qt::Key_Backspace, QString());
    }
    if (e.marks)
        state.counters["marked_words_in_view"] = double(e.marks->markedRanges().size());
    report(state, us);
    report(state, cpu, "cpu_");
}
void BM_KeyToFrameSpelling(benchmark::State& s) {
    keyToFrame(s, true);
}
// The same without spelling, for comparison.
void BM_KeyToFrameNoSpelling(benchmark::State& s) {
    keyToFrame(s, false);
}
BENCHMARK(BM_KeyToFrameSpelling)->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyToFrameNoSpelling)->Iterations(200)->Unit(benchmark::kMicrosecond);

void findNext(benchmark::State& state, bool regex, bool cold) {
    static QTextDocument* doc = [] {
        auto* d = new QTextDocument;
        QString text = bench::readBenchFile("bench-30mb.php");
        text.insert(text.size() - 1000, QStringLiteral(" Needle-42 "));
        d->setPlainText(text);
        return d;
    }();
    DocumentSearch search(doc);
    const Finder f(regex ? QStringLiteral("needle-\\d+") : QStringLiteral("needle-42"),
                   FindOptions{false, false, regex});
    search.text();
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            QTextCursor c(doc);
            c.insertText(QStringLiteral("x"));
            c.deletePreviousChar();
            state.ResumeTiming();
        }
        const auto m = search.find(f, 0, 0, false);
        if (!m || m->length != 9)
            state.SkipWithError("not found");
        benchmark::DoNotOptimize(m);
    }
}
void BM_FindNextLiteral(benchmark::State& s) {
    findNext(s, false, false);
}
void BM_FindNextExpression(benchmark::State& s) {
    findNext(s, true, false);
}
void BM_FindNextLiteralAfterEdit(benchmark::State& s) {
    findNext(s, false, true);
}
BENCHMARK(BM_FindNextLiteral)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_FindNextExpression)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_FindNextLiteralAfterEdit)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ReplaceAll100k(benchmark::State& state) {
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("<p>cat and cat, <b>cat</b> cat.</p> <?php echo $cat; ?>\n");
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<Editor>(text, false);
        DocumentSearch search(e->view.document());
        const Finder f(QStringLiteral("cat"), FindOptions{true, true, false});
        search.text();
        state.ResumeTiming();
        const qsizetype n = search.replaceAll(f, QStringLiteral("lion"));
        settle();
        if (n != 100000)
            state.SkipWithError("wrong number of matches");
        state.PauseTiming();
        e.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReplaceAll100k)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
