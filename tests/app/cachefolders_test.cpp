// The cache folders with an open umask (000): the per-user cache folder, the
// program's own and Qt's shader cache are made for the user alone, by the
// function that prepares them and by the program itself when it starts.
#include "core/paths.h"
#include "testenv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace morvane::test {
namespace {

int modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

TEST(CacheFolders, AreMadeForTheUserAloneWhateverTheUmask) {
    const QString cache = homeDir() + QStringLiteral("/.cache"); // the tests' XDG_CACHE_HOME
    QDir(cache).removeRecursively();
    const mode_t old = ::umask(0);
    paths::preparePrivateCacheFolders();
    ::umask(old);
    const QStringList folders = paths::cacheFolders();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(folders.first(), cache);
    for (const QString& folder : folders)
        EXPECT_EQ(modeOf(folder), 0700) << folder.toStdString();
    EXPECT_EQ(modeOf(cache + QStringLiteral("/Morvane")), 0700);
    EXPECT_TRUE(folders.contains(cache + QStringLiteral("/Morvane/Morvane")));

    // A mode the user chose on a folder that exists stays.
    ASSERT_EQ(::chmod(QFile::encodeName(cache).constData(), 0750), 0);
    paths::preparePrivateCacheFolders();
    EXPECT_EQ(modeOf(cache), 0750);
}

TEST(CacheFolders, TheProgramMakesThemPrivateBeforeAnythingElseDoes) {
    // The program itself, started with umask 000 in a home of its own with
    // no cache folder yet ($XDG_CACHE_HOME unset: ~/.cache), up to its
    // first frame.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/morvane-cache-XXXXXX"));
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
    env.remove(QStringLiteral("XDG_CACHE_HOME"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("MORVANE_EXIT_AT_FIRST_FRAME"), QStringLiteral("1"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setChildProcessModifier([] { ::umask(0); });
    program.start(QStringLiteral(MORVANE_BINARY), QStringList());
    ASSERT_TRUE(program.waitForFinished(120000)) << program.errorString().toStdString();
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    const QString cache = home.path() + QStringLiteral("/.cache");
    EXPECT_EQ(modeOf(cache), 0700);
    EXPECT_EQ(modeOf(cache + QStringLiteral("/Morvane")), 0700);
    // Nothing made in it is open to the writes of others.
    QDirIterator it(cache, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString folder = it.next();
        EXPECT_EQ(modeOf(folder) & 0022, 0) << folder.toStdString();
    }
}

} // namespace
} // namespace morvane::test
