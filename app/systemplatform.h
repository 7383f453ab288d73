// The real desktop services behind the platform seam: message boxes,
// the default browser and file manager, the clipboard and the trash.
#pragma once

#include "core/platform.h"

namespace morvane {

class SystemPlatform : public Platform {
public:
    void alert(const QString& title, const QString& message) override;
    int question(const QString& title, const QString& message, const QStringList& buttons,
                 int defaultButton) override;
    bool openUrl(const QUrl& url) override;
    void revealInFileManager(const QString& path) override;
    void setClipboardText(const QString& text) override;
    bool moveToTrash(const QString& path, QString* error) override;
    bool launch(const QString& program, const QStringList& arguments) override;
    void run(const QString& program, const QStringList& arguments, const QByteArray& input,
             const RunDone& done) override;
    void beep() override;
    QDateTime now() const override;
};

} // namespace morvane
