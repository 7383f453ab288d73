// The platform for the window benchmarks: alerts and questions answer
// themselves (nobody is there to click) and nothing outside is started.
#pragma once

#include "core/platform.h"

#include <QDateTime>

namespace morvane::bench {

class QuietPlatform : public Platform {
public:
    void alert(const QString&, const QString&) override {}
    int question(const QString&, const QString&, const QStringList&, int d) override { return d; }
    bool openUrl(const QUrl&) override { return true; }
    void revealInFileManager(const QString&) override {}
    void setClipboardText(const QString&) override {}
    bool moveToTrash(const QString&, QString*) override { return false; }
    bool launch(const QString&, const QStringList&) override { return true; }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace morvane::bench
