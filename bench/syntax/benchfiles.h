// Where the benchmark inputs are, and reading them as the editor does.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace morvane::bench {

inline QString benchDir() {
    const char* dir = std::getenv("MORVANE_SYNTAX_BENCH_DIR");
    return QString::fromLocal8Bit(dir && *dir ? dir : "/tmp/morvane-syntax-bench");
}

// The file's text, UTF-8 decoded; exits with a hint when it is missing.
inline QString readBenchFile(const char* name) {
    QFile f(benchDir() + QLatin1Char('/') + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "missing %s: run scripts/gen-syntax-bench-files.py %s\n",
                     qPrintable(f.fileName()), qPrintable(benchDir()));
        std::exit(2);
    }
    return QString::fromUtf8(f.readAll());
}

} // namespace morvane::bench
