// Scanner throughput over the 10 MB HTML+PHP file, beside a plain count of
// '<' over the same buffer in the same run (the floor any scanner that looks
// at every character must pay).
#include "benchfiles.h"

#include "editor/syntax/attributestore.h"
#include "editor/syntax/scanners.h"

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace morvane;

namespace {

const std::u16string& text() {
    static const std::u16string t = [] {
        const QString s = bench::readBenchFile("bench-10mb.php");
        return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
    }();
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

} // namespace

BENCHMARK_MAIN();
