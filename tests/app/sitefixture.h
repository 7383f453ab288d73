// A launched program with one site of a few files, and the commands that
// save an edited file (every way the focus can leave the editor).
#pragma once

#include "appfixture.h"

#include <QTabWidget>

#include <functional>
#include <vector>

namespace morvane::test {

class SiteFixture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        site = homeDir() + "/site";
        QDir(site).removeRecursively();
        writeFile(site + "/a.html", "<p>a</p>\n");
        writeFile(site + "/b.html", "<p>b</p>\n");
        addFiles();
        auto s = settings();
        Site one, two;
        one.setValue(sitekey::sitename, "One");
        one.setValue(sitekey::localpath, site);
        two.setValue(sitekey::sitename, "Two");
        two.setValue(sitekey::localpath, homeDir() + "/other");
        sitestore::save(*s, SiteList{one, two});
        s->setValue("currentsite", "One");
        s.reset();
        launch();
        RecordingPlatform::current().clear();
    }
    // More files a test wants in the site before the program starts.
    virtual void addFiles() {}

    QString at(const QString& rel) const { return site + "/" + rel; }
    bool marked(const QString& rel) { return app->needingUpload().contains(at(rel)); }

    // Types text (any characters) into whatever has the keyboard focus in the
    // window, or into `target`.
    void typeInto(QWidget* target, const QString& text) {
        ASSERT_NE(target, nullptr);
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    struct Trigger {
        const char* name;
        std::function<void(AppDelegate&)> run;
    };
    // Every command that saves the current file as the focus leaves it.
    static std::vector<Trigger> saveTriggers() {
        return {
            {"tab switch to preview",
             [](AppDelegate& d) { d.window()->tabView()->setCurrentIndex(1); }},
            {"tab switch to edit",
             [](AppDelegate& d) { d.window()->tabView()->setCurrentIndex(0); }},
            {"save command", [](AppDelegate& d) { d.actionSave(); }},
            {"refresh", [](AppDelegate& d) { d.actionRefresh(); }},
            {"upload", [](AppDelegate& d) { d.actionUpload(); }},
            {"another file",
             [](AppDelegate& d) {
                 d.expandPath(FileSystemItem::rootItem(), {QString(), "b.html"}, 1,
                              OutlineController::PathEnd::Select);
             }},
            {"quit", [](AppDelegate& d) { d.actionQuit(); }},
            {"window close", [](AppDelegate& d) { d.window()->close(); }},
            {"close", [](AppDelegate& d) { d.actionCloseOpenFile(); }},
            {"site switch", [](AppDelegate& d) { d.setSiteToCurrent("Two"); }},
        };
    }

    // Takes every upload mark away, through the marks' one owner.
    void clearMarks() {
        UploadMarks& marks = app->needingUpload();
        for (const QString& path : marks.paths())
            marks.unmark(path);
    }

    QString site;
};

} // namespace morvane::test
