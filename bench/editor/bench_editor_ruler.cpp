// The editor on the offscreen platform:
//  - BM_RulerPaint: one drawing of the line-number ruler of a 1,000,000-line
//    text, at the top, the middle and the end (the line table up to date);
//  - BM_RulerRebuildAfterEdit: rebuilding the ruler's line table from the
//    whole document after an edit in the 30 MB HTML+PHP file; the counter
//    edit_and_follow_p50_us is the edit itself with the table kept in step
//    (what typing costs; no rebuild happens then);
//  - BM_FirstColouredFrameAfterJump: from moving the scroll bar of a freshly
//    opened 30 MB file to its end, to the first painted frame of coloured
//    text there (the deferred viewport pass and the painting included).
// Run with --benchmark_repetitions=N to get medians.
#include "benchfiles.h"

#include "editor/linenumberruler.h"
#include "editor/preferences.h"
#include "editor/syntaxcolourer.h"
#include "editor/textview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace morvane;

namespace {

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

struct Editor {
    Preferences prefs;
    TextView view{&prefs};
    SyntaxColourer* colourer = nullptr;

    explicit Editor(const QString& text, bool colour) {
        view.resize(900, 700);
        if (colour) {
            colourer = colourWithPreferences(&view, prefs);
            colourer->setFilePath(QStringLiteral("bench.php"));
        }
        view.show();
        view.setTextFromProgram(text, TextFormat{});
        settle();
    }
};

std::unique_ptr<Editor> g_million;
std::unique_ptr<Editor> g_large;

Editor& million() {
    if (!g_million) {
        QString text;
        text.reserve(qsizetype(12) * 1000000);
        for (int i = 0; i < 1000000; ++i)
            text += QStringLiteral("<p>line</p>\n");
        text.chop(1);
        g_million = std::make_unique<Editor>(text, false);
    }
    return *g_million;
}

void rulerPaint(benchmark::State& state, double where) {
    Editor& e = million();
    QScrollBar* bar = e.view.verticalScrollBar();
    bar->setValue(int(bar->maximum() * where));
    settle();
    LineNumberRuler* ruler = e.view.ruler();
    if (ruler->lineIndices().size() != 1000000)
        state.SkipWithError("not a million lines");
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        ruler->repaint();
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
    }
    state.counters["labels"] = double(ruler->visibleLabels().size());
}

void rulerRebuild(benchmark::State& state) {
    if (!g_large)
        g_large = std::make_unique<Editor>(bench::readBenchFile("bench-30mb.php"), false);
    Editor& e = *g_large;
    LineNumberRuler* ruler = e.view.ruler();
    QTextCursor c(e.view.document());
    const int middle = e.view.document()->characterCount() / 2;
    QElapsedTimer t;
    bool insert = true;
    std::vector<double> edits;
    for (auto _ : state) {
        // The edit alternately adds a line and takes it away again; the
        // table is then brought up to date, first as the edit itself does
        // it (timed with the edit), then from the whole document.
        c.setPosition(middle);
        t.start();
        if (insert) {
            c.insertText(QStringLiteral("x\n"));
        } else {
            c.setPosition(middle + 2, QTextCursor::KeepAnchor);
            c.removeSelectedText();
        }
        insert = !insert;
        const size_t followed = ruler->lineIndices().size();
        edits.push_back(double(t.nsecsElapsed()) / 1e3);
        benchmark::DoNotOptimize(followed);
        t.start();
        ruler->invalidateLineIndices();
        const size_t lines = ruler->lineIndices().size();
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(ruler->lineIndices().size());
    std::sort(edits.begin(), edits.end());
    state.counters["edit_and_follow_p50_us"] = edits.empty() ? 0 : edits[edits.size() / 2];
}

bool visibleTextColoured(Editor& e) {
    const QTextBlock b =
        e.view.cursorForPosition(QPoint(0, e.view.viewport()->height() / 2)).block();
    return b.isValid() && b.layout() && !b.layout()->formats().isEmpty();
}

void firstColouredFrame(benchmark::State& state) {
    const QString text = bench::readBenchFile("bench-30mb.php");
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<Editor>(text, true);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        QScrollBar* bar = e->view.verticalScrollBar();
        bar->setValue(bar->maximum());
        // The deferred viewport pass runs on the next turns of the loop.
        while (!visibleTextColoured(*e) && t.elapsed() < 10000)
            QCoreApplication::processEvents();
        e->view.viewport()->repaint();
        const qint64 ns = t.nsecsElapsed();
        state.SetIterationTime(double(ns) / 1e9);
        state.counters["coloured"] = visibleTextColoured(*e) ? 1 : 0;
        state.PauseTiming();
        e.reset();
        state.ResumeTiming();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const auto& [name, where] :
         {std::pair{"top", 0.0}, std::pair{"middle", 0.5}, std::pair{"end", 1.0}})
        benchmark::RegisterBenchmark((std::string("BM_RulerPaint/") + name).c_str(),
                                     [where = where](benchmark::State& s) { rulerPaint(s, where); })
            ->UseManualTime()
            ->Iterations(200)
            ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_RulerRebuildAfterEdit", rulerRebuild)
        ->UseManualTime()
        ->Iterations(40)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FirstColouredFrameAfterJump", firstColouredFrame)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_million.reset();
    g_large.reset();
    return 0;
}
