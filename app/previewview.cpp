#include "app/previewview.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>

#include <utility>
#include <vector>

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
    void clearHistory() override {}
    void setContent(const QByteArray&, const QString&, const QUrl&) override {}
    void stop() override {}
    void setOwnErrorPages() override {}
    QUrl url() const override { return QUrl(); }
    QString title() const override { return QString(); }
    QPointF scrollPosition() const override { return QPointF(); }
    void runJavaScript(const QString&, std::function<void(const QVariant&)>) override {}
    void setFileFilter(FileFilter) override {}
    void allowPageDialogs() override {}

private:
    QLabel* m_label;
};

struct ModuleState {
    MorvaneCreateWebView create = nullptr;
    QString failure;
    bool loaded = false;
    std::vector<std::pair<QByteArray, SchemePageReader>> schemes;
};

ModuleState& module() {
    static ModuleState state;
    return state;
}

void loadModule() {
    ModuleState& m = module();
    if (m.loaded)
        return;
    m.loaded = true;
    MorvaneServeWebScheme serve = nullptr;
    for (const QString& path : webViewModuleCandidates(QCoreApplication::applicationDirPath())) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary lib(path);
        m.create = reinterpret_cast<MorvaneCreateWebView>(lib.resolve("morvane_create_web_view"));
        serve = reinterpret_cast<MorvaneServeWebScheme>(lib.resolve("morvane_serve_web_scheme"));
        if (m.create)
            break;
        m.failure = lib.errorString();
    }
    if (!m.create) {
        if (m.failure.isEmpty())
            m.failure = QCoreApplication::translate("Preview", "the web view module was not found");
        return;
    }
    if (serve)
        for (const auto& [scheme, reader] : m.schemes)
            serve(scheme, reader);
}

} // namespace

QStringList webViewModuleCandidates(const QString& programFolder) {
    const QString name = QStringLiteral("libmorvane_webview.so");
    return {programFolder + QLatin1Char('/') + name,
            programFolder + QStringLiteral("/" MORVANE_WEBVIEW_RELATIVE_DIR "/") + name};
}

void serveWebScheme(const QByteArray& scheme, SchemePageReader reader) {
    ModuleState& m = module();
    for (auto& entry : m.schemes)
        if (entry.first == scheme) {
            entry.second = std::move(reader);
            return;
        }
    m.schemes.emplace_back(scheme, std::move(reader));
}

std::unique_ptr<PreviewView> createPreviewView(QWidget* parent) {
    loadModule();
    const ModuleState& m = module();
    if (m.create)
        return std::unique_ptr<PreviewView>(m.create(parent));
    return std::make_unique<UnavailablePreview>(m.failure, parent);
}

} // namespace morvane
