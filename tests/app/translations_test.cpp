// The program in the user's language: every text a person reads goes
// through the translation functions, the translation files keep each
// message's placeholders and keys, and with German chosen the window, a
// dialog and the command line speak German, with Qt's own texts too.
#include "appfixture.h"

#include "core/translations.h"
#include "sites/sitedialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace morvane::test {
namespace {

QString sourceDir() {
    return qEnvironmentVariable("MORVANE_SOURCE_DIR");
}

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The source with its comments blanked out (string and character literals
// kept, line breaks kept so that line numbers stay right).
QString withoutComments(const QString& src) {
    QString out;
    out.reserve(src.size());
    const qsizetype n = src.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar ch = src.at(i);
        if (ch == u'"' || ch == u'\'') {
            qsizetype j = i + 1;
            while (j < n && src.at(j) != ch && src.at(j) != u'\n')
                j += src.at(j) == u'\\' ? 2 : 1;
            j = std::min(j + 1, n);
            out += src.mid(i, j - i);
            i = j;
        } else if (src.mid(i, 2) == u"//") {
            qsizetype j = src.indexOf(u'\n', i);
            if (j < 0)
                j = n;
            out += QString(j - i, u' ');
            i = j;
        } else if (src.mid(i, 2) == u"/*") {
            qsizetype j = src.indexOf(u"*/", i + 2);
            j = j < 0 ? n : j + 2;
            for (qsizetype k = i; k < j; ++k)
                out += src.at(k) == u'\n' ? u'\n' : u' ';
            i = j;
        } else {
            out += ch;
            ++i;
        }
    }
    return out;
}

// A literal with words in it, handed straight to something that shows text
// (a label, a button, a title, a menu, an alert, a tool tip, an accessible
// name…) or written to the terminal, instead of through tr() or
// QCoreApplication::translate().
const QRegularExpression kShownLiteral(QStringLiteral(
    R"re(\b(setText|setWindowTitle|setToolTip|setStatusTip|setWhatsThis|setPlaceholderText|)re"
    R"re(setAccessibleName|setAccessibleDescription|setTitle|setLabelText|setInformativeText|)re"
    R"re(setDetailedText|addAction|addMenu|addItem|insertItem|setItemText|setTabText|addTab|)re"
    R"re(insertTab|addRow|showMessage|alert|question|information|warning|critical|QLabel|)re"
    R"re(QPushButton|QCheckBox|QRadioButton|QGroupBox|QAction|QMenu|QToolButton|QMessageBox))re"
    R"re(\s*\(\s*(?:[^(),"]*?,\s*)?(?:QStringLiteral\s*\(\s*|QLatin1String\s*\(\s*|u)?)re"
    R"re("((?:[^"\\\n]|\\.)*)")re"));
const QRegularExpression
    kPrintedLiteral(QStringLiteral(R"re(\b(out|err|m_out|m_err)\s*<<\s*"((?:[^"\\\n]|\\.)*)")re"));

// Texts that are the same in every language.
struct Allowed {
    const char* file;
    const char* text;
};
const Allowed kAllowed[] = {
    {"app/mainwindow.cpp", "Morvane"},                // the program's name as the title
    {"sites/sitedialog.cpp", "ftp.example.com"},      // an example server name
    {"sites/sitedialog.cpp", "http://localhost/"},    // an example address
    {"editor/colourcommand.cpp", "morvane colour: "}, // the command's name before a message
    {"upload/uploadcli.cpp", "morvane upload: "},
    // Said when there is no application object, so no translation either.
    {"upload/uploadcli.cpp", "morvane upload: no application object\\n"},
};

bool allowed(const QString& file, const QString& text) {
    for (const Allowed& a : kAllowed)
        if (file == QLatin1String(a.file) && text == QLatin1String(a.text))
            return true;
    return false;
}

// Whether a literal holds a word: "\u2699" (a gear sign) holds none.
bool hasWords(const QString& literal) {
    QString plain = literal;
    plain.remove(QRegularExpression(QStringLiteral(R"(\\(u[0-9A-Fa-f]{4}|x[0-9A-Fa-f]+|.))")));
    return plain.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}")));
}

TEST(TranslationSources, NoShownTextEscapesTranslation) {
    ASSERT_FALSE(sourceDir().isEmpty());
    QStringList escaped;
    int filesRead = 0;
    for (const char* folder :
         {"core", "editor", "tree", "transfer", "sites", "upload", "help", "app"}) {
        QDirIterator it(sourceDir() + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString file = QDir(sourceDir()).relativeFilePath(path);
            const QString src = withoutComments(readText(path));
            ++filesRead;
            for (const QRegularExpression* pattern : {&kShownLiteral, &kPrintedLiteral}) {
                for (auto m = pattern->globalMatch(src); m.hasNext();) {
                    const QRegularExpressionMatch match = m.next();
                    const QString text = match.captured(2);
                    if (!hasWords(text) || allowed(file, text))
                        continue;
                    const qsizetype line = src.left(match.capturedStart()).count(u'\n') + 1;
                    escaped
                        << QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(match.captured(0));
                }
            }
        }
    }
    EXPECT_GT(filesRead, 100);
    EXPECT_TRUE(escaped.isEmpty()) << "shown without tr():\n"
                                   << escaped.join(QLatin1Char('\n')).toStdString();
}

// The same placeholders and keyboard key in a message and its translation:
// a lost "%1" shows a sentence without its file name, a lost "&" leaves a
// menu item without its key.
QStringList placeholders(const QString& text) {
    QStringList found;
    for (auto m = QRegularExpression(QStringLiteral("%(\\d|n)")).globalMatch(text); m.hasNext();)
        found << m.next().captured(0);
    found.sort();
    return found;
}

bool hasKey(const QString& text) {
    QString plain = text;
    plain.remove(QStringLiteral("&&"));
    plain.remove(QRegularExpression(QStringLiteral("&[a-z]+;")));
    return plain.contains(u'&');
}

TEST(TranslationFiles, EveryTranslationKeepsPlaceholdersAndKeys) {
    const QDir folder(sourceDir() + QStringLiteral("/translations"));
    const QStringList files = folder.entryList({QStringLiteral("morvane_*.ts")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        QXmlStreamReader xml(&file);
        QString source;
        bool numerus = false;
        bool unfinished = false;
        int messages = 0;
        const auto check = [&](const QString& translation) {
            if (unfinished || translation.isEmpty())
                return;
            ++messages;
            QStringList expected = placeholders(source);
            QStringList got = placeholders(translation);
            // A plural form may spell out "one" instead of "%n".
            if (numerus) {
                expected.removeAll(QStringLiteral("%n"));
                got.removeAll(QStringLiteral("%n"));
            }
            EXPECT_EQ(got, expected) << name.toStdString() << ": " << source.toStdString() << " -> "
                                     << translation.toStdString();
            EXPECT_EQ(hasKey(translation), hasKey(source))
                << name.toStdString() << ": " << source.toStdString() << " -> "
                << translation.toStdString();
        };
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("message")) {
                numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            } else if (xml.name() == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (xml.name() == QLatin1String("translation")) {
                unfinished =
                    xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
                if (!numerus)
                    check(xml.readElementText());
            } else if (xml.name() == QLatin1String("numerusform")) {
                check(xml.readElementText());
            }
        }
        EXPECT_FALSE(xml.hasError())
            << name.toStdString() << ": " << xml.errorString().toStdString();
        EXPECT_GT(messages, 0) << name.toStdString();
    }
}

// The window and a dialog with the German translation installed.
class GermanTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(translations::install(QLocale(QStringLiteral("de_DE"))).startsWith(u"de"));
    } // namespace
    void TearDown() override {
        AppFixture::TearDown();
        translations::uninstall();
    }
}; // namespace morvane::test

QStringList menuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* a : bar->actions())
        if (a->menu())
            titles << a->text();
    return titles;
}

TEST_F(GermanTest, TheMenusAreGerman) {
    launch();
    const QStringList titles = menuTitles(app->window()->menuBar());
    for (const char* title : {"&Datei", "&Bearbeiten", "&Ansicht", "&Hilfe"})
        EXPECT_TRUE(titles.contains(QString::fromUtf8(title)))
            << title << " not in " << titles.join(u' ').toStdString();
}

// The letter after "&" in each item of one menu (the menu bar included):
// two items with the same letter make Alt+letter reach only the first.
TEST_F(GermanTest, NoTwoItemsOfAGermanMenuShareAKey) {
    launch();
    const auto key = [](const QString& text) {
        QString plain = text;
        plain.remove(QStringLiteral("&&"));
        const qsizetype at = plain.indexOf(u'&');
        return at >= 0 && at + 1 < plain.size() ? plain.at(at + 1).toLower() : QChar();
    };
    QList<QWidget*> menus{app->window()->menuBar()};
    while (!menus.isEmpty()) {
        QWidget* menu = menus.takeFirst();
        // Menus filled when they open are asked to fill themselves.
        if (qobject_cast<QMenu*>(menu))
            QMetaObject::invokeMethod(menu, "aboutToShow");
        QHash<QChar, QString> owner;
        for (QAction* a : menu->actions()) {
            if (a->menu())
                menus.append(a->menu());
            const QChar k = key(a->text());
            if (k.isNull() || !a->isVisible())
                continue;
            EXPECT_FALSE(owner.contains(k))
                << QString(k).toStdString() << ": " << owner.value(k).toStdString() << " and "
                << a->text().toStdString();
            owner.insert(k, a->text());
        }
    }
}

TEST_F(GermanTest, TheSiteDialogIsGerman) {
    SiteDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Website-Eigenschaften"));
    QStringList buttons;
    // Compared without the "&" that marks each one's Alt letter.
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        buttons << QString(b->text()).remove(QLatin1Char('&'));
    for (const char* text : {"Abbrechen", "Hilfe", "Ohne Test speichern"})
        EXPECT_TRUE(buttons.contains(QString::fromUtf8(text)))
            << text << " not in " << buttons.join(u'|').toStdString();
    QStringList labels;
    for (QLabel* l : dialog.findChildren<QLabel*>())
        labels << QString(l->text()).remove(QLatin1Char('&'));
    for (const char* text : {"Serverordner:", "Benutzername:", "Lokaler Ordner:"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text)))
            << text << " not in " << labels.join(u'|').toStdString();
}

TEST_F(GermanTest, QtsOwnTextsAreGermanToo) {
    // The standard buttons of Qt's own dialogs.
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
}

// Which language each locale gets: English is the language of the texts
// themselves, a regional variant falls back to its language, and a language
// without a translation stays English rather than mixing two.
TEST(TranslationChoice, EachLocaleGetsItsLanguageOrEnglish) {
    struct Case {
        const char* locale;
        bool german;
    };
    for (const Case& c : {Case{"de_DE", true}, Case{"de_AT", true}, Case{"en_US", false},
                          Case{"en_GB", false}, Case{"C", false}, Case{"fr_FR", false}}) {
        const QString got = translations::install(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(got.startsWith(u"de"), c.german) << c.locale << " gave " << got.toStdString();
        EXPECT_EQ(QCoreApplication::translate("morvane::MainWindow", "&File"),
                  c.german ? QStringLiteral("&Datei") : QStringLiteral("&File"))
            << c.locale;
        translations::uninstall();
    }
    EXPECT_EQ(QCoreApplication::translate("morvane::MainWindow", "&File"), QStringLiteral("&File"));
}

// The program itself, started as from a terminal with a language chosen.
struct Printed {
    int status = -1;
    QString out;
    QString err;
};

Printed runMorvane(const QStringList& args, const QString& language) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANGUAGE"), language);
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("MORVANE_BINARY_DIR") + QStringLiteral("/app/morvane"), args);
    Printed r;
    if (!p.waitForStarted() || !p.waitForFinished(60000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(TranslationCommandLine, TheCommandLineSpeaksTheChosenLanguage) {
    struct Case {
        QStringList args;
        const char* language;
        int status;
        const char* out; // expected in standard output
        const char* err; // expected in standard error
    };
    const Case cases[] = {
        {{QStringLiteral("--help")}, "de", 0, "Aufruf:\n  morvane ", ""},
        {{QStringLiteral("--help")}, "en", 0, "Usage:\n  morvane ", ""},
        {{QStringLiteral("--help")}, "fr:de", 0, "Aufruf:", ""},
        {{QStringLiteral("publish")}, "de", 2, "", "unbekannter Befehl „publish“"},
        {{QStringLiteral("upload"), QStringLiteral("--bogus")},
         "de",
         2,
         "",
         "unbekannte Option „--bogus“"},
        {{QStringLiteral("upload"), QStringLiteral("--bogus")},
         "en",
         2,
         "",
         "unknown option \"--bogus\""},
        {{QStringLiteral("colour"), QStringLiteral("--runs")},
         "de",
         2,
         "",
         "Aufruf: morvane colour"},
    };
    for (const Case& c : cases) {
        const Printed r = runMorvane(c.args, QString::fromLatin1(c.language));
        const std::string what = c.args.join(u' ').toStdString() + " (" + c.language + ")";
        EXPECT_EQ(r.status, c.status) << what << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.out)))
            << what << ": " << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err)))
            << what << ": " << r.err.toStdString();
    }
}

} // namespace
} // namespace morvane::test
