// Encodings in the window: a Latin-1 page stays Latin-1 when edited, a typed
// character the file's encoding cannot hold is never written as garbage (the
// user converts the file or leaves the character out), the label tells the
// encoding and line ends, and the View menu reopens or saves in another.
#include "sitefixture.h"

#include "app/encodingcontroller.h"
#include "core/encoding.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>

using namespace morvane;
using namespace morvane::test;

class EncodingWindowTest : public SiteFixture {
protected:
    QString label() const { return app->window()->labelEncoding()->text(); }
    void typeText(const QString& text) {
        TextView* view = editor();
        ASSERT_NE(view, nullptr);
        QTextCursor c = view->textCursor();
        c.movePosition(QTextCursor::End);
        view->setTextCursor(c);
        typeInto(view, text);
    }
    int questions() const {
        int n = 0;
        for (const auto& a : RecordingPlatform::current().alerts)
            n += !a.buttons.isEmpty();
        return n;
    }
    QAction* menuAction(QMenu* menu, const QString& name) const {
        app->window()->fillEncodingMenus();
        for (QAction* a : menu->actions())
            if (a->data().toString() == name)
                return a;
        return nullptr;
    }
};

TEST_F(EncodingWindowTest, ALatin1PageIsEditedInItsOwnEncoding) {
    writeFile(at("latin.html"), "<p>Caf\xE9 na\xEFve</p>\r\n");
    app->actionRefresh();
    selectPath("latin.html");
    EXPECT_EQ(editor()->toPlainText(), QString::fromUtf8("<p>Caf\xC3\xA9 na\xC3\xAFve</p>\n"));
    EXPECT_EQ(label(), QString::fromUtf8("Windows-1252 \xC2\xB7 CRLF"));
    typeText(QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    app->actionSave();
    EXPECT_EQ(readFile(at("latin.html")), QByteArray("<p>Caf\xE9 na\xEFve</p>\r\n\xE9t\xE9"));
    EXPECT_EQ(questions(), 0);
    selectPath("a.html");
    EXPECT_EQ(label(), QString::fromUtf8("UTF-8 \xC2\xB7 LF"));
}

TEST_F(EncodingWindowTest, KeepingTheEncodingLeavesOutWhatItCannotHoldAskedOncePerFile) {
    const QByteArray original = "<meta charset=\"iso-8859-1\"><p>\xE9</p>";
    writeFile(at("keep.html"), original);
    app->actionRefresh();
    selectPath("keep.html");
    RecordingPlatform::current().queueAnswer(0); // Keep Windows-1252
    typeText(QString::fromUtf8("x\xE2\x86\x92y"));
    ASSERT_TRUE(waitUntil([this] { return questions() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(editor()->toPlainText(),
              QString::fromUtf8("<meta charset=\"iso-8859-1\"><p>\xC3\xA9</p>xy"));
    typeText(QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80")); // euro fits, the emoji not
    waitUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(questions(), 1) << "asked once per file";
    EXPECT_EQ(editor()->toPlainText(),
              QString::fromUtf8("<meta charset=\"iso-8859-1\"><p>\xC3\xA9</p>xy\xE2\x82\xAC"));
    selectPath("a.html");
    EXPECT_EQ(readFile(at("keep.html")), original + "xy\x80");
}

TEST_F(EncodingWindowTest, ConvertingToUtf8KeepsTheCharacterAndUpdatesTheDeclaration) {
    writeFile(at("convert.html"), "<meta charset=\"windows-1252\">\n<p>\xE9</p>\n");
    app->actionRefresh();
    selectPath("convert.html");
    RecordingPlatform::current().queueAnswer(1); // Convert to UTF-8
    typeText(QString::fromUtf8("\xE2\x86\x92"));
    ASSERT_TRUE(waitUntil([this] { return label().startsWith("UTF-8"); }));
    selectPath("a.html");
    EXPECT_EQ(readFile(at("convert.html")),
              QByteArray("<meta charset=\"utf-8\">\n<p>\xC3\xA9</p>\n\xE2\x86\x92"));
    EXPECT_TRUE(marked("convert.html"));
    EXPECT_EQ(questions(), 1);
}

TEST_F(EncodingWindowTest, ACharacterTypedJustBeforeASaveIsStillNeverWrittenAsGarbage) {
    // No turn of the event loop between typing and the save: the save itself
    // asks.
    writeFile(at("quick.html"), "caf\xE9");
    app->actionRefresh();
    selectPath("quick.html");
    RecordingPlatform::current().queueAnswer(0);
    QTextCursor c = editor()->textCursor();
    c.movePosition(QTextCursor::End);
    c.insertText(QString::fromUtf8("\xE6\x97\xA5!"));
    app->openFiles()->currentFile()->document->setModified(true);
    app->actionSave();
    EXPECT_EQ(readFile(at("quick.html")), QByteArray("caf\xE9!"));
    EXPECT_EQ(questions(), 1);
}

TEST_F(EncodingWindowTest, ViewMenuReopensAndSavesWithAnotherEncoding) {
    // ISO-8859-15 without a declaration reads as Windows-1252: A4 is a
    // currency sign there, the euro in ISO-8859-15.
    if (!menuAction(app->window()->menuReopenWithEncoding(), "ISO-8859-15"))
        GTEST_SKIP() << "no ISO-8859-15 converter in this Qt";
    writeFile(at("euro.html"), "<p>\xA4 5</p>\n");
    app->actionRefresh();
    selectPath("euro.html");
    EXPECT_EQ(editor()->toPlainText(), QString::fromUtf8("<p>\xC2\xA4 5</p>\n"));
    menuAction(app->window()->menuReopenWithEncoding(), "ISO-8859-15")->trigger();
    EXPECT_EQ(editor()->toPlainText(), QString::fromUtf8("<p>\xE2\x82\xAC 5</p>\n"));
    EXPECT_TRUE(label().startsWith("ISO-8859-15"));
    EXPECT_EQ(readFile(at("euro.html")), QByteArray("<p>\xA4 5</p>\n"))
        << "reopening writes nothing";

    menuAction(app->window()->menuSaveWithEncoding(), encoding::kUtf8)->trigger();
    EXPECT_EQ(readFile(at("euro.html")), QByteArray("<p>\xE2\x82\xAC 5</p>\n"));
    EXPECT_TRUE(label().startsWith("UTF-8"));
    EXPECT_TRUE(marked("euro.html"));

    // A save into an encoding that cannot hold the text is refused.
    typeText(QString::fromUtf8("\xE6\x97\xA5"));
    menuAction(app->window()->menuSaveWithEncoding(), encoding::kWindows1252)->trigger();
    ASSERT_FALSE(RecordingPlatform::current().alerts.isEmpty());
    EXPECT_TRUE(RecordingPlatform::current().alerts.last().title.contains("can't be saved"));
    EXPECT_TRUE(label().startsWith("UTF-8"));
}

TEST_F(EncodingWindowTest, AFileNotValidInItsDeclaredEncodingIsReadOnlyUntilReopened) {
    if (!menuAction(app->window()->menuReopenWithEncoding(), encoding::kWindows1252))
        GTEST_SKIP();
    const QByteArray bytes = "<meta charset=\"Shift_JIS\"><p>\x82\xFF\x81</p>";
    writeFile(at("broken.html"), bytes);
    app->actionRefresh();
    selectPath("broken.html");
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(app->openFiles()->currentFile()->load, FileLoad::Unreadable);
    app->actionSave();
    app->window()->tabView()->setCurrentIndex(1);
    app->window()->tabView()->setCurrentIndex(0);
    EXPECT_EQ(readFile(at("broken.html")), bytes);
    EXPECT_FALSE(marked("broken.html"));
    // The user says what it is: now it can be edited, and is written back in it.
    ASSERT_TRUE(app->window()->menuReopenWithEncoding()->isEnabled());
    menuAction(app->window()->menuReopenWithEncoding(), encoding::kWindows1252)->trigger();
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(label().startsWith("Windows-1252"));
    typeText("!");
    app->actionSave();
    EXPECT_EQ(readFile(at("broken.html")), bytes + "!");
}

TEST_F(EncodingWindowTest, CharactersTypedWhileTheQuestionIsOpenAskNothingMoreAndObeyTheAnswer) {
    // A real question runs its own event loop: the second typed character
    // and the save on the editor's lost focus arrive while it is open.
    struct Case {
        int answer;
        const char* encodingLabel;
        QByteArray saved;
    };
    const Case cases[] = {
        {0, "Windows-1252", "<p>caf\xE9</p>"},
        {1, "UTF-8", "<p>caf\xC3\xA9</p>\xE2\x86\x92\xE2\x86\x90"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const QString name = QStringLiteral("two%1.html").arg(c.answer);
        writeFile(at(name), "<p>caf\xE9</p>");
        app->actionRefresh();
        selectPath(name);
        ASSERT_NE(editor(), nullptr);
        app->window()->activateWindow();
        editor()->setFocus();
        RecordingPlatform::current().clear();
        RecordingPlatform::current().queueAnswer(c.answer);
        QPointer<TextView> view = editor();
        RecordingPlatform::current().whileAsking = [view] {
            if (view)
                view->clearFocus();
            QCoreApplication::processEvents();
        };
        typeText(QString::fromUtf8("\xE2\x86\x92\xE2\x86\x90")); // two arrows, not in 1252
        ASSERT_TRUE(waitUntil([this] { return questions() >= 1; }));
        waitUntil([] { return false; }, std::chrono::milliseconds(50));
        EXPECT_EQ(questions(), 1) << "asked once, however many characters wait";
        RecordingPlatform::current().whileAsking = nullptr;
        EXPECT_TRUE(label().startsWith(QLatin1String(c.encodingLabel))) << label().toStdString();
        selectPath("a.html");
        EXPECT_EQ(readFile(at(name)), c.saved);
        EXPECT_EQ(questions(), 1);
    }
}

TEST_F(EncodingWindowTest, ConvertingAPageThatDeclaresNothingAddsTheDeclarationToItsHead) {
    writeFile(
        at("plain.html"),
        "<html>\r\n<head>\r\n  <title>Caf\xE9</title>\r\n</head>\r\n<body></body>\r\n</html>\r\n");
    app->actionRefresh();
    selectPath("plain.html");
    RecordingPlatform::current().queueAnswer(1); // Convert to UTF-8
    typeText(QString::fromUtf8("\xE2\x86\x92"));
    ASSERT_TRUE(waitUntil([this] { return label().startsWith("UTF-8"); }));
    selectPath("a.html");
    EXPECT_EQ(readFile(at("plain.html")),
              QByteArray("<html>\r\n<head>\r\n  <meta charset=\"utf-8\">\r\n  <title>Caf\xC3\xA9"
                         "</title>\r\n</head>\r\n<body></body>\r\n</html>\r\n\xE2\x86\x92"));
    // Read again, the page is UTF-8 by its own word.
    const auto declared =
        encoding::findDeclaredCharset(QString::fromUtf8(readFile(at("plain.html"))));
    ASSERT_TRUE(declared.has_value());
    EXPECT_EQ(encoding::canonicalName(declared->label), encoding::kUtf8);
}

TEST(Utf8Declaration, GoesRightAfterThePagesOwnHeadAndNowhereElse) {
    const QString meta = QStringLiteral("<meta charset=\"utf-8\">");
    struct Case {
        const char* text;
        qsizetype at; // -1: nothing is added
        QString inserted;
    };
    const Case cases[] = {
        {"<html><head>\n\t<title>t</title>", 12, "\n\t" + meta},
        {"<HEAD lang=\"en\"><title>", 16, meta},
        {"<head>", 6, meta},
        {"<!-- <head> --><p>x</p>", -1, {}},
        {"<?php echo '<head>'; ?>", -1, {}},
        {"<?xml version=\"1.0\"?><head>", 27, meta},
        {"<header>menu</header>", -1, {}},
        {"<p>a fragment</p>", -1, {}},
        {"<meta charset=\"windows-1252\"><head>", -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto found = EncodingController::utf8Declaration(QString::fromUtf8(c.text));
        if (c.at < 0) {
            EXPECT_FALSE(found.has_value());
            continue;
        }
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->first, c.at);
        EXPECT_EQ(found->second, c.inserted);
    }
}
