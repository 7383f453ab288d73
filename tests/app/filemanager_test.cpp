// Show in File Manager asks the desktop's file manager, through the
// freedesktop.org FileManager1 interface, to show the file itself selected
// in its folder: checked against a file manager of the test's own on a
// private session bus.
#include "app/systemplatform.h"
#include "testenv.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace morvane::test {

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        Q_UNUSED(startupId);
        shown << uris;
    }
    void ShowFolders(const QStringList& uris, const QString& startupId) {
        Q_UNUSED(startupId);
        folders << uris;
    }

public:
    QStringList shown;
    QStringList folders;
};

namespace {

TEST(FileManager, ShowInFileManagerSelectsTheItemInItsFolder) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "run under dbus-run-session";
    FakeFileManager manager;
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page with space.html"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    const QString folder = dir.filePath(QStringLiteral("folder"));

    SystemPlatform platform;
    for (const QString& item : {file, folder}) {
        SCOPED_TRACE(item.toStdString());
        manager.shown.clear();
        platform.revealInFileManager(item);
        EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(item).toString()});
        EXPECT_TRUE(manager.folders.isEmpty()) << "the item is selected, not opened";
    }
    bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
}

} // namespace
} // namespace morvane::test

#include "filemanager_test.moc"
