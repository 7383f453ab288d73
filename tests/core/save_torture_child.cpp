// Helper for the save torture test: saves two contents in turn to one file
// with writeFileAtomically, for ever, until it is killed.
//
//   save_torture_child FILE CONTENT_A CONTENT_B
//
// CONTENT_A and CONTENT_B are files whose bytes are written in turn, starting
// with B (the test leaves A in FILE before starting us). "writing" is printed
// on standard output once the first save has begun, so the test can start
// its kill timer without guessing how long start-up takes.

#include "core/textfile.h"

#include <QFile>
#include <QString>

#include <cstdio>

namespace {

QByteArray slurp(const char* path) {
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE CONTENT_A CONTENT_B\n", argv[0]);
        return 2;
    }
    const QString target = QFile::decodeName(argv[1]);
    const QByteArray contents[2] = {slurp(argv[2]), slurp(argv[3])};
    if (contents[0].isEmpty() || contents[1].isEmpty()) {
        std::fprintf(stderr, "cannot read the contents\n");
        return 2;
    }
    std::fputs("writing\n", stdout);
    std::fflush(stdout);
    for (unsigned long n = 1;; ++n) {
        QString error;
        if (!morvane::writeFileAtomically(target, contents[n % 2], &error)) {
            std::fprintf(stderr, "save %lu failed: %s\n", n, qPrintable(error));
            return 1;
        }
    }
}
