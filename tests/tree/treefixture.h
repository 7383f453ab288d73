// A private site folder per test and the tree pointed at it.
#pragma once

#include "testenv.h"
#include "tree/filesystemitem.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane::test {

// Runs `checks` in a forked child without root's rights (the suite runs as
// root, which reads and writes everything), so permission failures are real.
// `checks` returns a bit set of failed checks; 0 means all passed.
inline void expectPassesUnprivileged(const std::function<int()>& checks) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::_exit(checks());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 100) << "could not drop privileges";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks (bits): " << WEXITSTATUS(status);
}

// A site folder holding a.html inside `shared`, neither of them writable,
// with the tree pointed at it: what an unprivileged user cannot change.
inline void makeUnwritableSite(const QTemporaryDir& shared, QString* site) {
    ASSERT_TRUE(shared.isValid());
    *site = shared.path() + QStringLiteral("/site");
    ASSERT_TRUE(writeFile(*site + QStringLiteral("/a.html"), "a"));
    for (const QString& p : {shared.path(), *site})
        ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0555), 0);
    FileSystemItem::setRootPath(*site);
    FileSystemItem::deleteAll();
}

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        site = tmp.path() + QStringLiteral("/site");
        ASSERT_TRUE(QDir().mkpath(site));
        FileSystemItem::setRootPath(site);
        FileSystemItem::deleteAll();
    }
    void TearDown() override { FileSystemItem::deleteAll(); }

    QString at(const QString& relative) const { return site + QLatin1Char('/') + relative; }
    void touch(const QString& relative) { ASSERT_TRUE(writeFile(at(relative), "x")); }
    void mkdir(const QString& relative) { ASSERT_TRUE(QDir().mkpath(at(relative))); }

    static QStringList names(FileSystemItem* node) {
        QStringList out;
        if (const auto* list = node->children()) {
            for (const FileSystemItem* child : *list)
                out << child->relativePath();
        }
        return out;
    }
    static FileSystemItem* child(FileSystemItem* node, const QString& name) {
        node->children();
        return node->listedChildNamed(name);
    }
    static void refresh() { FileSystemItem::setAllInvalid(); }

    QTemporaryDir tmp;
    QString site;
};

} // namespace morvane::test
