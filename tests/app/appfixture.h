// Starts the whole program's coordinator against the private settings and
// data folders of the test process, as a user would launch it.
#pragma once

#include "app/appdelegate.h"
#include "app/mainwindow.h"
#include "app/openfilescontroller.h"
#include "core/paths.h"
#include "editor/textview.h"
#include "help/helpview.h"
#include "recordingplatform.h"
#include "testenv.h"
#include "tree/filesystemitem.h"
#include "tree/filetreemodel.h"
#include "upload/uploadmarks.h"

#include <QComboBox>
#include <QSettings>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>

namespace morvane::test {

// A help page view that shows nothing and remembers what it was asked to load.
class StubHelpView : public help::HelpView {
public:
    explicit StubHelpView(QWidget* parent) : m_widget(new QWidget(parent)) {}
    QWidget* widget() override { return m_widget; }
    void load(const QUrl& url) override { loaded.append(url); }
    void back() override {}
    void forward() override {}
    void reload() override {}
    void clearHistory() override {}
    QList<QUrl> loaded;

private:
    QWidget* m_widget;
};

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        resetUserState();
        RecordingPlatform::current().clear();
    }
    void TearDown() override { app.reset(); }

    // Launches the program; `quits` counts the times it asked to end.
    // `adjust` may change the stand-ins before the program starts.
    AppDelegate& launch(const std::function<void(AppSeams&)>& adjust = {}) {
        AppSeams seams;
        seams.terminate = [this] { ++quits; };
        // Modal dialogs would wait for a person: tests script them instead.
        seams.siteDialog = [this](QWidget*, SiteList& sites, QString& name, bool& deleted) {
            ++siteDialogRuns;
            return siteDialog ? siteDialog(sites, name, deleted) : 0;
        };
        seams.upload = [this](QWidget*, const Site* site, const QString&, UploadMarks&) {
            ++uploadRuns;
            return site ? PublishOutcome::NotConfirmed : PublishOutcome::NoSiteChosen;
        };
        // The help shown at the first start gets a plain page view instead
        // of the web engine.
        seams.helpView = [](QWidget* parent) { return std::make_unique<StubHelpView>(parent); };
        if (adjust)
            adjust(seams);
        app = std::make_unique<AppDelegate>(std::move(seams));
        EXPECT_TRUE(app->applicationDidFinishLaunching());
        return *app;
    }
    // Quits (as the Quit command) and forgets the coordinator, as a restart.
    void quitAndForget() {
        app->actionQuit();
        app.reset();
    }

    std::unique_ptr<QSettings> settings() { return paths::openSettings(); }

    QStringList alertTitles() const {
        QStringList t;
        for (const auto& a : RecordingPlatform::current().alerts)
            t << a.title;
        return t;
    }

    QStringList popupTitles(QComboBox* box) const {
        QStringList t;
        for (int i = 0; i < box->count(); ++i)
            t << box->itemText(i);
        return t;
    }

    // Selects the row of the file at `relative` below the site folder,
    // expanding the folders on the way, as a click in the outline would.
    void selectPath(const QString& relative) {
        const QStringList parts = relative.split(QLatin1Char('/'));
        app->expandPath(FileSystemItem::rootItem(), QStringList{QString()} + parts, 1,
                        OutlineController::PathEnd::Select);
    }

    TextView* editor() const { return app->openFiles()->currentTextView(); }
    QString currentName() const {
        OpenFile* f = app->openFiles()->currentFile();
        return f ? f->name() : QString();
    }

    // Types at the end of the current editor as the user would.
    void typeAtEnd(const QString& text) {
        TextView* view = editor();
        ASSERT_NE(view, nullptr);
        QTextCursor c = view->textCursor();
        c.movePosition(QTextCursor::End);
        view->setTextCursor(c);
        for (QChar ch : text)
            QTest::keyClick(view, ch.toLatin1());
    }

    std::unique_ptr<AppDelegate> app;
    int quits = 0;
    int siteDialogRuns = 0;
    int uploadRuns = 0;
    std::function<int(SiteList&, QString&, bool&)> siteDialog;
};

} // namespace morvane::test
