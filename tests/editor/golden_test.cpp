// Golden files: every input under golden/ (an .html, .htm, .php, .css or .js
// file, or a name without an extension) beside its expected `morvane colour --runs`
// output NAME.runs. scripts/regen-syntax-golden.sh rewrites the expected
// files for review after a deliberate change.
#include "editor/colourcommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using namespace morvane;

namespace {

QString goldenDir() {
    return QStringLiteral(MORVANE_SYNTAX_GOLDEN_DIR);
}

QString runCommand(const QStringList& args, int* rc, QString* errors = nullptr) {
    QString out, err;
    QTextStream o(&out), e(&err);
    *rc = runColourCommand(args, o, e);
    e.flush();
    if (errors)
        *errors = err;
    return out;
}

} // namespace

// Every input file of the golden folder (anything but the .runs files).
std::vector<std::string> goldenInputs() {
    std::vector<std::string> names;
    for (const QFileInfo& input : QDir(goldenDir()).entryInfoList(QDir::Files, QDir::Name)) {
        if (input.suffix() != QLatin1String("runs"))
            names.push_back(input.fileName().toStdString());
    }
    return names;
}

// One test case per golden file, so that a failure names its file.
class GoldenFile : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenFile, GivesItsExpectedRuns) {
    const QFileInfo input(goldenDir() + QLatin1Char('/') + QString::fromStdString(GetParam()));
    const QString expectedPath = input.absolutePath() + QLatin1Char('/') +
                                 input.completeBaseName() + QStringLiteral(".runs");
    QFile expected(expectedPath);
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly)) << qPrintable(expectedPath);
    int rc = -1;
    const QString actual = runCommand({QStringLiteral("--runs"), input.absoluteFilePath()}, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(actual.toStdString(), QString::fromUtf8(expected.readAll()).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Inputs, GoldenFile, ::testing::ValuesIn(goldenInputs()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             }
                             return name;
                         });

// A folder that lost its files must not pass by running no case at all.
TEST(GoldenFiles, TheFolderHoldsTheInputs) {
    EXPECT_GE(goldenInputs().size(), 10u);
}

TEST(ColourCommand, FileTypeRuleAndErrors) {
    QTemporaryDir tmp;
    const QString body = QStringLiteral("<p>x</p>");
    auto write = [&](const QString& name) {
        QFile f(tmp.path() + QLatin1Char('/') + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body.toUtf8());
        return f.fileName();
    };
    int rc = -1;
    const QString coloured = QStringLiteral("0 3 tag marked\n4 4 tag marked\n");
    EXPECT_EQ(runCommand({QStringLiteral("--runs"), write(QStringLiteral("a.HTML"))}, &rc),
              coloured);
    EXPECT_EQ(runCommand({QStringLiteral("--runs"), write(QStringLiteral("b.Php"))}, &rc),
              coloured);
    EXPECT_EQ(runCommand({QStringLiteral("--runs"), write(QStringLiteral("README"))}, &rc),
              coloured);
    EXPECT_EQ(runCommand({QStringLiteral("--runs"), write(QStringLiteral("notes.txt"))}, &rc),
              QString());
    EXPECT_EQ(rc, 0);

    QString err;
    runCommand({QStringLiteral("--runs"), tmp.path() + QStringLiteral("/missing.html")}, &rc, &err);
    EXPECT_EQ(rc, 1);
    EXPECT_FALSE(err.isEmpty());
    runCommand({QStringLiteral("--bogus")}, &rc, &err);
    EXPECT_EQ(rc, 2);
    EXPECT_TRUE(err.contains(QLatin1String("usage")));
}

TEST(ColourCommand, LineEndsAreReadAsTheEditorReadsThem) {
    // CRLF files are normalised to '\n' before colouring, so positions count
    // one code unit per line end, as in the editor.
    QTemporaryDir tmp;
    QFile f(tmp.path() + QStringLiteral("/crlf.html"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<p>\r\n<b>");
    f.close();
    int rc = -1;
    EXPECT_EQ(runCommand({QStringLiteral("--runs"), f.fileName()}, &rc),
              QStringLiteral("0 3 tag marked\n4 3 tag marked\n"));
}

TEST(ColourCommand, RefusesWhatIsNotARegularTextFileWithAClearMessage) {
    QTemporaryDir tmp;
    const QString fifo = tmp.path() + QStringLiteral("/pipe.html");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString zero = tmp.path() + QStringLiteral("/zero.html");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString image = tmp.path() + QStringLiteral("/photo.jpeg");
    {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11));
    }
    const QString big = tmp.path() + QStringLiteral("/huge.html");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(256) * 1024 * 1024 + 1)); // sparse
    }
    struct Case {
        QString path;
        const char* says;
    };
    for (const Case& c : {Case{fifo, "named pipe"}, Case{zero, "character device"},
                          Case{image, "not a text file"}, Case{big, "MB limit"}}) {
        SCOPED_TRACE(c.says);
        int rc = -1;
        QString err;
        // Returns at once: no waiting for a writer, no reading without end.
        EXPECT_EQ(runCommand({QStringLiteral("--runs"), c.path}, &rc, &err), QString());
        EXPECT_EQ(rc, 1);
        EXPECT_TRUE(err.contains(QLatin1String(c.says))) << err.toStdString();
    }
}
