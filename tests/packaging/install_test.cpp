// Installing the program as a user or a distribution would: `cmake
// --install` into a temporary prefix gives the program, its web-view module
// where the program looks for it, a valid .desktop file, valid AppStream
// metainfo, the icon in every size, and a manual page that renders; the
// Debian package holds the same under /usr.
#include "app/previewview.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace morvane::test {
namespace {

struct ProcessRun {
    int status = -1;
    QString out;
    QString err;
};

ProcessRun run(const QString& program, const QStringList& args, int timeoutMs = 240000) {
    QProcess p;
    p.start(program, args);
    ProcessRun r;
    if (!p.waitForStarted() || !p.waitForFinished(timeoutMs)) {
        r.err = QStringLiteral("did not run: ") + program + QLatin1Char(' ') + p.errorString();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

QString binaryDir() {
    return qEnvironmentVariable("MORVANE_BINARY_DIR");
}

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix = new QTemporaryDir;
        installRun =
            new ProcessRun(run(tool("cmake"), {QStringLiteral("--install"), binaryDir(),
                                               QStringLiteral("--prefix"), prefix->path()}));
    }
    static void TearDownTestSuite() {
        delete installRun;
        delete prefix;
    }
    void SetUp() override { ASSERT_EQ(installRun->status, 0) << installRun->err.toStdString(); }
    static QString at(const QString& relative) {
        return prefix->path() + QLatin1Char('/') + relative;
    }

    static inline QTemporaryDir* prefix = nullptr;
    static inline ProcessRun* installRun = nullptr;
};

const QString kDesktop = QStringLiteral("share/applications/org.morvane.Morvane.desktop");
const QString kMetainfo = QStringLiteral("share/metainfo/org.morvane.Morvane.metainfo.xml");

TEST_F(InstallTest, TheTreeHoldsProgramModuleIconsAndDescriptions) {
    QStringList installed;
    for (QDirIterator it(prefix->path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        installed << QDir(prefix->path()).relativeFilePath(it.next());
    installed.sort();
    QStringList expected = {QStringLiteral("bin/morvane"), kDesktop, kMetainfo,
                            QStringLiteral("share/man/man1/morvane.1"),
                            QStringLiteral("share/icons/hicolor/scalable/apps/morvane.svg")};
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/morvane.png").arg(size);
    for (const QString& file : expected)
        EXPECT_TRUE(installed.contains(file)) << file.toStdString();

    // The module sits where the installed program looks for it.
    const QStringList candidates = webViewModuleCandidates(at(QStringLiteral("bin")));
    ASSERT_EQ(candidates.size(), 2);
    EXPECT_TRUE(QFileInfo::exists(candidates[1])) << candidates[1].toStdString();
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("bin/morvane"))).isExecutable());

    // Each PNG is drawn at its own size.
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage image(
            at(QStringLiteral("share/icons/hicolor/%1x%1/apps/morvane.png").arg(size)));
        EXPECT_EQ(image.size(), QSize(size, size)) << size;
        EXPECT_TRUE(image.hasAlphaChannel()) << size;
    }
}

TEST_F(InstallTest, TheInstalledProgramAnswersVersionAndHelp) {
    const ProcessRun version =
        run(at(QStringLiteral("bin/morvane")), {QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, QStringLiteral("Morvane %1\n").arg(QStringLiteral(MORVANE_VERSION)));

    const ProcessRun help = run(at(QStringLiteral("bin/morvane")), {QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    for (const char* mode : {"morvane upload", "morvane colour", "--version", "--verbose"})
        EXPECT_TRUE(help.out.contains(QLatin1String(mode))) << mode;

    // A word the program does not know is refused, with the usage, before
    // any window could open (none can here: no display is named).
    QProcess unknown;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    unknown.setProcessEnvironment(env);
    unknown.start(at(QStringLiteral("bin/morvane")), {QStringLiteral("synchronise")});
    ASSERT_TRUE(unknown.waitForFinished(60000));
    EXPECT_EQ(unknown.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(unknown.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(unknown.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("unknown command \"synchronise\"")))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("morvane upload"))) << err.toStdString();
    EXPECT_TRUE(unknown.readAllStandardOutput().isEmpty());
}

TEST_F(InstallTest, TheProgramLooksForNoPathOfTheBuildMachine) {
    const ProcessRun dyn =
        run(tool("readelf"), {QStringLiteral("-d"), at(QStringLiteral("bin/morvane"))});
    ASSERT_EQ(dyn.status, 0);
    EXPECT_TRUE(dyn.out.contains(QStringLiteral("[$ORIGIN/../")));
    EXPECT_FALSE(dyn.out.contains(binaryDir()));
    // The program's constant strings name no build folder. A sanitizer build is never shipped
    // and its checks carry the path of every compiled file (generated ones live in the build
    // folder), so only the shipped kind of build is held to this.
#ifndef MORVANE_SANITIZED
    const ProcessRun strings =
        run(tool("readelf"),
            {QStringLiteral("-p"), QStringLiteral(".rodata"), at(QStringLiteral("bin/morvane"))});
    ASSERT_EQ(strings.status, 0);
    EXPECT_FALSE(strings.out.contains(binaryDir()));
    EXPECT_FALSE(strings.out.contains(QStringLiteral("libmorvane_webview.so")) &&
                 strings.out.contains(QStringLiteral("/tmp/")));
#endif
}

// The folders a built file asks the loader to search (RUNPATH or RPATH),
// each entry as written, empty ones included.
QStringList searchFolders(const QString& file, QString* failure) {
    const ProcessRun dyn = run(tool("readelf"), {QStringLiteral("-d"), file});
    if (dyn.status != 0) {
        *failure = dyn.err;
        return {};
    }
    static const QRegularExpression path(
        QStringLiteral(R"(\((?:RUNPATH|RPATH)\)[^\[]*\[([^\]]*)\])"));
    QStringList folders;
    for (auto it = path.globalMatch(dyn.out); it.hasNext();)
        folders += it.next().captured(1).split(QLatin1Char(':'));
    return folders;
}

// The program and its web-view module, as built and as installed.
QStringList builtAndInstalledFiles(const QString& prefix) {
    QStringList files = {binaryDir() + QStringLiteral("/app/morvane"),
                         binaryDir() + QStringLiteral("/app/libmorvane_webview.so"),
                         prefix + QStringLiteral("/bin/morvane")};
    const QStringList modules = webViewModuleCandidates(prefix + QStringLiteral("/bin"));
    files << modules.value(1);
    return files;
}

TEST_F(InstallTest, BuiltFilesSearchNoEmptyOrRelativeFolder) {
    // An empty entry is read as the current folder, a relative one as a
    // folder below it: either lets a library planted there be loaded.
    for (const QString& file : builtAndInstalledFiles(prefix->path())) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(QFileInfo::exists(file));
        QString failure;
        const QStringList folders = searchFolders(file, &failure);
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
        for (const QString& folder : folders)
            EXPECT_TRUE(folder.startsWith(QLatin1String("$ORIGIN")) ||
                        folder.startsWith(QLatin1String("/")))
                << "searches \"" << folder.toStdString() << "\"";
    }
}

TEST_F(InstallTest, ALibraryPlantedInTheCurrentFolderIsNotLoaded) {
    // Every library the program needs, planted as a broken file in the
    // folder it is started from: the loader must never try one of them.
    for (const QString& program :
         {binaryDir() + QStringLiteral("/app/morvane"), at(QStringLiteral("bin/morvane"))}) {
        SCOPED_TRACE(program.toStdString());
        const ProcessRun dyn = run(tool("readelf"), {QStringLiteral("-d"), program});
        ASSERT_EQ(dyn.status, 0);
        static const QRegularExpression needed(QStringLiteral(R"(\(NEEDED\)[^\[]*\[([^\]]*)\])"));
        QTemporaryDir planted;
        int count = 0;
        for (auto it = needed.globalMatch(dyn.out); it.hasNext(); ++count) {
            QFile lib(planted.filePath(it.next().captured(1)));
            ASSERT_TRUE(lib.open(QIODevice::WriteOnly));
            lib.write("not a library\n");
        }
        ASSERT_GT(count, 3);
        QProcess p;
        p.setWorkingDirectory(planted.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
        env.remove(QStringLiteral("LD_LIBRARY_PATH"));
        p.setProcessEnvironment(env);
        p.start(program, {QStringLiteral("--version")});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0);
        const QString debug = QString::fromLocal8Bit(p.readAllStandardError());
        static const QRegularExpression tried(QStringLiteral(R"(trying file=(\S*))"));
        int tries = 0;
        for (auto it = tried.globalMatch(debug); it.hasNext(); ++tries) {
            const QString file = it.next().captured(1);
            EXPECT_TRUE(file.startsWith(QLatin1Char('/')) && !file.startsWith(planted.path()))
                << "tried " << file.toStdString();
        }
        EXPECT_GT(tries, 0) << "the loader reported nothing: " << debug.left(400).toStdString();
    }
}

TEST_F(InstallTest, DesktopFileAndMetainfoValidate) {
    ASSERT_FALSE(tool("desktop-file-validate").isEmpty()) << "install desktop-file-utils";
    const ProcessRun desktop = run(tool("desktop-file-validate"), {at(kDesktop)});
    EXPECT_EQ(desktop.status, 0) << desktop.out.toStdString();
    EXPECT_FALSE(desktop.out.contains(QStringLiteral("error"))) << desktop.out.toStdString();

    ASSERT_FALSE(tool("appstreamcli").isEmpty()) << "install appstream";
    const ProcessRun meta = run(tool("appstreamcli"), {QStringLiteral("validate"),
                                                       QStringLiteral("--no-net"), at(kMetainfo)});
    EXPECT_EQ(meta.status, 0) << meta.out.toStdString();
    const QString text = QString::fromUtf8([&] {
        QFile f(at(kMetainfo));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }());
    EXPECT_TRUE(text.contains(
        QStringLiteral("<release version=\"%1\"").arg(QStringLiteral(MORVANE_VERSION))));
}

TEST_F(InstallTest, MetainfoWithADeploymentsScreenshotValidates) {
    // A deployment with a web site lists a home page and a captioned
    // screenshot; made the way the build makes the file.
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("m.metainfo.xml"));
    const QString source =
        qEnvironmentVariable("MORVANE_SOURCE_DIR") + QStringLiteral("/packaging");
    const ProcessRun make =
        run(tool("cmake"),
            {QStringLiteral("-DMETAINFO_IN=") + source +
                 QStringLiteral("/org.morvane.Morvane.metainfo.xml.in"),
             QStringLiteral("-DMETAINFO_OUT=") + out, QStringLiteral("-DMORVANE_VERSION=1.2.3"),
             QStringLiteral("-DMORVANE_RELEASE_DATE=2026-12-01"),
             QStringLiteral("-DMORVANE_LICENSE=GPL-3.0-or-later"),
             QStringLiteral("-DMORVANE_WEBSITE_URL=https://morvane.example/"),
             QStringLiteral("-DMORVANE_SCREENSHOT_URL=https://morvane.example/window.png"),
             QStringLiteral("-P"), source + QStringLiteral("/make-metainfo.cmake")});
    ASSERT_EQ(make.status, 0) << make.err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<caption>")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("<url type=\"homepage\">https://morvane.example/</url>")));
    const ProcessRun meta =
        run(tool("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), out});
    EXPECT_EQ(meta.status, 0) << meta.out.toStdString();
}

TEST_F(InstallTest, TheManualPageRendersAndCoversEveryMode) {
    ASSERT_FALSE(tool("man").isEmpty()) << "install man-db";
    QProcess man;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    env.insert(QStringLiteral("MANPAGER"), QStringLiteral("cat"));
    man.setProcessEnvironment(env);
    man.start(tool("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"),
                            at(QStringLiteral("share/man/man1/morvane.1"))});
    ASSERT_TRUE(man.waitForFinished(60000));
    const QString out = QString::fromUtf8(man.readAllStandardOutput());
    const QString err = QString::fromUtf8(man.readAllStandardError());
    EXPECT_EQ(man.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.trimmed().isEmpty()) << err.toStdString();
    for (const char* text : {"morvane upload", "morvane trust", "morvane colour", "--version",
                             "--verbose", "--help", "EXIT STATUS", "NeedingUpload.dict"})
        EXPECT_TRUE(out.contains(QLatin1String(text))) << text;
    EXPECT_TRUE(out.contains(QStringLiteral("Morvane %1").arg(QStringLiteral(MORVANE_VERSION))));
}

TEST_F(InstallTest, TheDebianPackageInstallsUnderUsr) {
    if (tool("cpack").isEmpty() || tool("dpkg-deb").isEmpty())
        GTEST_SKIP() << "cpack or dpkg-deb missing";
    QTemporaryDir out;
    const ProcessRun pack =
        run(tool("cpack"),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             binaryDir() + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out.path()});
    ASSERT_EQ(pack.status, 0) << pack.out.toStdString() << pack.err.toStdString();
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")});
    ASSERT_EQ(debs.size(), 1);
    const ProcessRun contents =
        run(tool("dpkg-deb"), {QStringLiteral("-c"), out.filePath(debs.first())});
    ASSERT_EQ(contents.status, 0);
    for (const char* path :
         {"./usr/bin/morvane", "./usr/share/applications/org.morvane.Morvane.desktop",
          "./usr/share/man/man1/morvane.1", "libmorvane_webview.so",
          "./usr/share/icons/hicolor/scalable/apps/morvane.svg"})
        EXPECT_TRUE(contents.out.contains(QLatin1String(path))) << path;
    const ProcessRun fields =
        run(tool("dpkg-deb"), {QStringLiteral("-f"), out.filePath(debs.first())});
    EXPECT_TRUE(
        fields.out.contains(QStringLiteral("Version: %1").arg(QStringLiteral(MORVANE_VERSION))));
    EXPECT_TRUE(fields.out.contains(QStringLiteral("libqt6webenginecore6")))
        << fields.out.toStdString();
}

} // namespace
} // namespace morvane::test
