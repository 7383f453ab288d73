// Scanner throughput over the 10 MB HTML+PHP file, beside a plain count of
// '<' over the same buffer in the same run (the floor any scanner that looks
// at every character must pay); and of the CSS and JavaScript scanners over
// 10 MB of real JavaScript and CSS.
#include "benchfiles.h"

#include "editor/syntax/attributestore.h"
#include "editor/syntax/scanners.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>

using namespace morvane;

namespace {

std::u16string load(const char* name) {
    const QString s = bench::readBenchFile(name);
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

const std::u16string& text() {
    static const std::u16string t = load("bench-10mb.php");
    return t;
}

// Rescanning text whose attributes are already in place: the steady state of
// an editor that recolours what it has coloured before.
void BM_ScanRecolour(benchmark::State& state) {
    const std::u16string& t = text();
    const auto n = std::int64_t(t.size());
    AttributeStore store;
    store.reset(t);
    scanHtml(ScanWindow{t.data(), 0, 0, n, 0}, store);
    for (auto _ : state) {
        scanHtml(ScanWindow{t.data(), 0, 0, n, 0}, store);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ScanRecolour)->Unit(benchmark::kMillisecond);

// The first colouring of freshly read text.
void BM_ScanFresh(benchmark::State& state) {
    const std::u16string& t = text();
    const auto n = std::int64_t(t.size());
    AttributeStore store;
    for (auto _ : state) {
        state.PauseTiming();
        store.reset(t);
        state.ResumeTiming();
        scanHtml(ScanWindow{t.data(), 0, 0, n, 0}, store);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ScanFresh)->Unit(benchmark::kMillisecond);

void BM_CountLessThan(benchmark::State& state) {
    const std::u16string& t = text();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::count(t.begin(), t.end(), u'<'));
    state.SetItemsProcessed(state.iterations() * std::int64_t(t.size()));
}
BENCHMARK(BM_CountLessThan)->Unit(benchmark::kMillisecond);

// The CSS or JavaScript scanner over text it has coloured before (`fresh`:
// over a freshly read text).
void scanCodeFile(benchmark::State& state, const char* file, CodeLanguage language, bool fresh) {
    static std::map<std::string, std::u16string> texts;
    std::u16string& t = texts[file];
    if (t.empty())
        t = load(file);
    const auto n = std::int64_t(t.size());
    const ScanWindow w{t.data(), 0, 0, n, 0};
    AttributeStore store;
    store.reset(t);
    scanCode(w, 0, ScanState::start(language, false), store);
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            store.reset(t);
            state.ResumeTiming();
        }
        scanCode(w, 0, ScanState::start(language, false), store);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK_CAPTURE(scanCodeFile, JsRecolour, "bench-10mb.js", CodeLanguage::Js, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scanCodeFile, JsFresh, "bench-10mb.js", CodeLanguage::Js, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scanCodeFile, CssRecolour, "bench-10mb.css", CodeLanguage::Css, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scanCodeFile, CssFresh, "bench-10mb.css", CodeLanguage::Css, true)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
