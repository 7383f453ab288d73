// Find and replace in the real window (offscreen), as the user does it, on a
// 5 MB HTML page with about 130,000 matches of "text":
//  - BM_TypeWordIntoBar: Ctrl+H, then "text" typed into the find field a key
//    at a time and "word" into the replacement field, with a typist's pause
//    (200 ms) after each key;
//  - BM_PasteWordIntoBar: the same with each word arriving in one key event
//    (as when pasted): a single count of all the matches;
//  - BM_ReplaceAll130k: Replace All of the matches until the window answers
//    again (the file written and marked for upload included), then the one
//    Undo that takes it all back.
// The window's answering is watched by a 1 ms heartbeat timer: a key's time
// runs from the key press until the heartbeat runs again (the event loop is
// free), stall_max is the longest gap between two heartbeats during the
// whole sequence, and count_shown is the time from the last key of the
// search word until the result line shows a count.
#include "app/appdelegate.h"
#include "app/findcontroller.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/sitestore.h"
#include "editor/findbar.h"
#include "editor/textview.h"
#include "quietplatform.h"
#include "tree/filesystemitem.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using morvane::bench::QuietPlatform;

QString g_site;
QByteArray g_page;
constexpr int kMatches = 130'000;

// One list item per line, one "text" in each: 5 MB, 130,000 matches.
QByteArray makePage() {
    QByteArray page = "<!DOCTYPE html>\n<html><head><title>List</title></head><body><ul>\n";
    for (int i = 0; i < kMatches; ++i)
        page += "<li><a href=\"#i" + QByteArray::number(i % 1000) + "\">Some text here</a></li>\n";
    page += "</ul></body></html>\n";
    return page;
}

void configureSite() {
    auto s = morvane::paths::openSettings();
    morvane::Site site;
    site.setValue(morvane::sitekey::sitename, QStringLiteral("Big"));
    site.setValue(morvane::sitekey::localpath, g_site);
    morvane::sitestore::save(*s, {site});
    s->setValue(QStringLiteral("currentsite"), QStringLiteral("Big"));
}

void writePage() {
    QFile f(g_site + QStringLiteral("/list.html"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(g_page) != g_page.size())
        std::abort();
}

// The page freshly read into the editor, with the Replace bar open.
morvane::TextView* openPage(morvane::AppDelegate& app) {
    app.setSiteToCurrent(QStringLiteral("Big")); // forgets the open file
    QCoreApplication::processEvents();
    writePage();
    app.expandPath(morvane::FileSystemItem::rootItem(), {QString(), QStringLiteral("list.html")}, 1,
                   morvane::OutlineController::PathEnd::Select);
    QCoreApplication::processEvents();
    morvane::TextView* view = app.openFiles()->currentTextView();
    if (!view || view->document()->characterCount() < 4'000'000)
        return nullptr;
    app.window()->findBar()->setFindText(QString());
    app.window()->findBar()->replaceField()->clear();
    app.window()->actionReplace()->trigger(); // Ctrl+H
    QCoreApplication::processEvents();
    return view;
}

bool showsCount(const QString& status) {
    static const QRegularExpression count(QStringLiteral("^[\\d,.]+\\+? match|of [\\d,.]+"));
    return count.match(status).hasMatch();
}

// Runs the event loop with a heartbeat while `steps` are played at `pause`
// intervals, until the last step is done and `finished` holds.
struct Watch {
    std::vector<double> keyMs;
    double stallMaxMs = 0;
    double countShownMs = -1;
};

void play(morvane::AppDelegate& app, const std::vector<std::pair<QWidget*, QString>>& keys,
          int countAfter, int pauseMs, Watch& w) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 lastBeat = 0;
    qint64 keyAt = -1;     // waiting for the loop to be free after a key
    qint64 countFrom = -1; // waiting for the count after this time
    size_t next = 0;
    qint64 nextAt = 0;
    bool done = false;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        w.stallMaxMs = std::max(w.stallMaxMs, (now - lastBeat) / 1e6);
        lastBeat = now;
        if (keyAt >= 0) {
            w.keyMs.push_back((now - keyAt) / 1e6);
            keyAt = -1;
        }
        if (countFrom >= 0 && showsCount(app.findController()->status())) {
            w.countShownMs = (now - countFrom) / 1e6;
            countFrom = -1;
        }
        if (next < keys.size() && now >= nextAt) {
            auto [widget, text] = keys[next];
            widget->setFocus(Qt::OtherFocusReason);
            keyAt = clock.nsecsElapsed();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
            QApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
            QApplication::sendEvent(widget, &release);
            if (int(next) == countAfter)
                countFrom = keyAt;
            ++next;
            nextAt = clock.nsecsElapsed() + qint64(pauseMs) * 1000000;
            lastBeat = clock.nsecsElapsed(); // the key itself is timed as keyMs
            w.stallMaxMs = std::max(w.stallMaxMs, (lastBeat - keyAt) / 1e6);
        }
        if (next == keys.size() && keyAt < 0 && countFrom < 0 && now >= nextAt && !done) {
            done = true;
            loop.quit();
        }
    });
    heartbeat.start();
    loop.exec();
}

void report(benchmark::State& state, const std::vector<Watch>& runs) {
    std::vector<double> keys, stalls, counts;
    for (const Watch& w : runs) {
        keys.insert(keys.end(), w.keyMs.begin(), w.keyMs.end());
        stalls.push_back(w.stallMaxMs);
        counts.push_back(w.countShownMs);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    state.counters["key_p50_ms"] = median(keys);
    state.counters["key_max_ms"] = keys.empty() ? 0.0 : *std::max_element(keys.begin(), keys.end());
    state.counters["stall_max_ms"] = median(stalls);
    state.counters["count_shown_ms"] = median(counts);
}

void typeIntoBar(benchmark::State& state, bool keyAtATime) {
    morvane::AppDelegate app;
    app.applicationDidFinishLaunching();
    std::vector<Watch> runs;
    for (auto _ : state) {
        state.PauseTiming();
        morvane::TextView* view = openPage(app);
        if (!view) {
            state.SkipWithError("the page did not open");
            return;
        }
        morvane::FindBar* bar = app.window()->findBar();
        std::vector<std::pair<QWidget*, QString>> keys;
        for (const QString& word : {QStringLiteral("text"), QStringLiteral("word")}) {
            QWidget* field = word == QLatin1String("text") ? static_cast<QWidget*>(bar->findField())
                                                           : bar->replaceField();
            if (keyAtATime)
                for (QChar c : word)
                    keys.emplace_back(field, QString(c));
            else
                keys.emplace_back(field, word);
        }
        state.ResumeTiming();
        Watch w;
        play(app, keys, keyAtATime ? 3 : 0, 200, w);
        runs.push_back(w);
        if (bar->findText() != QLatin1String("text") || bar->replaceText() != QLatin1String("word"))
            state.SkipWithError("the keys did not arrive");
        std::printf("  status: %s\n", qPrintable(app.findController()->status()));
    }
    report(state, runs);
}

void BM_TypeWordIntoBar(benchmark::State& state) {
    typeIntoBar(state, true);
}
void BM_PasteWordIntoBar(benchmark::State& state) {
    typeIntoBar(state, false);
}
BENCHMARK(BM_TypeWordIntoBar)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PasteWordIntoBar)->Unit(benchmark::kMillisecond)->Iterations(3);

// Runs `action` and returns the milliseconds until the event loop is free.
double untilAnswering(const std::function<void()>& action) {
    QElapsedTimer clock;
    clock.start();
    action();
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
    return clock.nsecsElapsed() / 1e6;
}

void BM_ReplaceAll130k(benchmark::State& state) {
    morvane::AppDelegate app;
    app.applicationDidFinishLaunching();
    std::vector<double> replaceMs, undoMs;
    for (auto _ : state) {
        state.PauseTiming();
        morvane::TextView* view = openPage(app);
        if (!view) {
            state.SkipWithError("the page did not open");
            return;
        }
        const QString before = view->toPlainText();
        morvane::FindBar* bar = app.window()->findBar();
        bar->setFindText(QStringLiteral("text"));
        bar->replaceField()->setText(QStringLiteral("word"));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        replaceMs.push_back(untilAnswering([&] { Q_EMIT bar->replaceAllRequested(); }));
        state.PauseTiming();
        const QString status = app.findController()->status();
        if (!status.contains(QStringLiteral("130")) ||
            view->toPlainText().count(u"word") != kMatches)
            state.SkipWithError(qPrintable(QStringLiteral("wrong result: ") + status));
        state.ResumeTiming();
        undoMs.push_back(untilAnswering([&] { view->undo(); }));
        state.PauseTiming();
        if (view->toPlainText() != before)
            state.SkipWithError("one undo did not take it all back");
        state.ResumeTiming();
    }
    std::sort(replaceMs.begin(), replaceMs.end());
    std::sort(undoMs.begin(), undoMs.end());
    state.counters["replace_all_ms"] = replaceMs[replaceMs.size() / 2];
    state.counters["undo_ms"] = undoMs[undoMs.size() / 2];
}
BENCHMARK(BM_ReplaceAll130k)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const QString home = QDir::tempPath() + QStringLiteral("/morvane-bench-find");
    QDir(home).removeRecursively();
    QDir().mkpath(home + QStringLiteral("/site"));
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/.cache")).toLocal8Bit());
    g_site = home + QStringLiteral("/site");
    g_page = makePage();
    writePage();

    QCoreApplication::setOrganizationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Morvane"));
    // The preview's web engine (the page is shown there too) needs it.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QuietPlatform platform;
    morvane::Platform::install(&platform);
    configureSite();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    morvane::Platform::install(nullptr);
    QDir(home).removeRecursively();
    return 0;
}
