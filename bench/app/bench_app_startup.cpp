// Start-up to the first frame of the main window, as whole processes: the
// program with the default site against an empty Qt Widgets window, run
// alternately in the same benchmark so both see the same machine noise.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string g_home;

void runToFirstFrame(benchmark::State& state, const char* program, const char* arg = nullptr) {
    std::string home = g_home;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("MORVANE_EXIT_AT_FIRST_FRAME", "1", 1);
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    for (auto _ : state) {
        pid_t pid = 0;
        char* argv[] = {const_cast<char*>(program), const_cast<char*>(arg), nullptr};
        if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the program");
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program did not reach its first frame");
            return;
        }
    }
}

void BM_MorvaneFirstFrame(benchmark::State& state) {
    runToFirstFrame(state, MORVANE_BINARY);
}
void BM_EmptyWindowFirstFrame(benchmark::State& state) {
    runToFirstFrame(state, EMPTY_WINDOW_BINARY);
}

} // namespace

// The same window with one label: the font system's start-up included.
void BM_LabelWindowFirstFrame(benchmark::State& state) {
    runToFirstFrame(state, EMPTY_WINDOW_BINARY, "--label");
}

BENCHMARK(BM_LabelWindowFirstFrame)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EmptyWindowFirstFrame)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_MorvaneFirstFrame)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    // One private home for the whole run: the first launch makes the default
    // site, later launches find it (the common case).
    char tmpl[] = "/tmp/morvane-bench-XXXXXX";
    g_home = mkdtemp(tmpl);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QDir(QString::fromStdString(g_home)).removeRecursively();
    return 0;
}
