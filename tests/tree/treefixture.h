// A private site folder per test and the tree pointed at it.
#pragma once

#include "testenv.h"
#include "tree/filesystemitem.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace morvane::test {

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
