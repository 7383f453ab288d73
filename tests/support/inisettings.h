// A settings file of its own for a test: written by hand when the test needs
// exact INI text, then opened the way the program opens its store.
#pragma once

#include "testenv.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace morvane::test {

class IniSettingsTest : public ::testing::Test {
protected:
    QString iniPath() const { return dir.filePath(QStringLiteral("Morvane.conf")); }
    std::unique_ptr<QSettings> open() const {
        return std::make_unique<QSettings>(iniPath(), QSettings::IniFormat);
    }
    // Writes the settings file by hand and opens it.
    std::unique_ptr<QSettings> openWith(const QByteArray& ini) const {
        EXPECT_TRUE(writeFile(iniPath(), ini));
        return open();
    }
    QTemporaryDir dir;
};

} // namespace morvane::test
