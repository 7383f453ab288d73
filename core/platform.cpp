#include "core/platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

namespace morvane {

namespace {
Platform* g_platform = nullptr;
}

Platform& Platform::instance() {
    if (!g_platform) {
        std::fputs("morvane: no platform installed\n", stderr);
        std::abort();
    }
    return *g_platform;
}

void Platform::run(const QString& program, const QStringList&, const QByteArray&,
                   const RunDone& done) {
    if (done)
        done(false,
             QCoreApplication::translate("Platform", "%1 cannot be started here.").arg(program));
}

bool Platform::haveProgram(const QString& program) const {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

bool Platform::moveToSystemTrash(const QString& path, QString* error) {
    QFile file(path);
    if (!QFileInfo(path).isSymLink() && !QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("\"%1\" no longer exists.").arg(path);
        return false;
    }
    if (file.moveToTrash())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

void Platform::install(Platform* platform) {
    g_platform = platform;
}

} // namespace morvane
