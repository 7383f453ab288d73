// Golden files: every input under golden/ (an .html, .htm or .php file, or a
// name without an extension) beside its expected `morvane colour --runs`
// output NAME.runs. scripts/regen-syntax-golden.sh rewrites the expected
// files for review after a deliberate change.
#include "editor/colourcommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

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

TEST(GoldenFiles, EveryInputGivesItsExpectedRuns) {
    const QDir dir(goldenDir());
    int checked = 0;
    for (const QFileInfo& input : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (input.suffix() == QLatin1String("runs"))
            continue;
        const QString expectedPath = input.absolutePath() + QLatin1Char('/') +
                                     input.completeBaseName() + QStringLiteral(".runs");
        QFile expected(expectedPath);
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly)) << qPrintable(expectedPath);
        int rc = -1;
        const QString actual =
            runCommand({QStringLiteral("--runs"), input.absoluteFilePath()}, &rc);
        EXPECT_EQ(rc, 0) << qPrintable(input.fileName());
        EXPECT_EQ(actual.toStdString(), QString::fromUtf8(expected.readAll()).toStdString())
            << "golden file " << qPrintable(input.fileName());
        ++checked;
    }
    EXPECT_GE(checked, 10);
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
