// A stand-alone runner of the colour command, so the golden files can be
// regenerated and the command timed without the whole application.
#include "editor/colourcommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (!args.isEmpty() && args.first() == QLatin1String("colour"))
        args.removeFirst();
    QTextStream err(stderr);
    return morvane::runColourCommand(args, stdout, err);
}
