#include "app/previewview.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>

namespace morvane {

namespace {

// Shown when the web-engine module is missing or broken: the editor keeps
// working, the preview says what went wrong.
class UnavailablePreview : public PreviewView {
public:
    UnavailablePreview(const QString& why, QWidget* parent)
        : m_label(new QLabel(
              QCoreApplication::translate("Preview", "The preview is not available: %1").arg(why),
              parent)) {
        m_label->setWordWrap(true);
        m_label->setAlignment(Qt::AlignCenter);
    }
    QWidget* widget() override { return m_label; }
    void load(const QUrl&) override {}
    void setHtml(const QString&, const QUrl&) override {}
    void back() override {}
    void forward() override {}
    void reload() override {}

private:
    QLabel* m_label;
};

} // namespace

std::unique_ptr<PreviewView> createPreviewView(QWidget* parent) {
    static MorvaneCreateWebView create = nullptr;
    static QString failure;
    if (!create && failure.isEmpty()) {
        // Beside the program first, then where the build put it.
        const QStringList candidates = {
            QCoreApplication::applicationDirPath() + QStringLiteral("/libmorvane_webview.so"),
            QStringLiteral(MORVANE_WEBVIEW_MODULE),
        };
        for (const QString& path : candidates) {
            if (!QFileInfo::exists(path))
                continue;
            QLibrary lib(path);
            create = reinterpret_cast<MorvaneCreateWebView>(lib.resolve("morvane_create_web_view"));
            if (create)
                break;
            failure = lib.errorString();
        }
        if (!create && failure.isEmpty())
            failure = QStringLiteral("the web view module was not found");
    }
    if (create)
        return std::unique_ptr<PreviewView>(create(parent));
    return std::make_unique<UnavailablePreview>(failure, parent);
}

} // namespace morvane
