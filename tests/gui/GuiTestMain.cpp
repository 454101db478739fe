#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/Clock.h"

// Every GUI test runs in one QApplication, offscreen, with its preferences (and the undo
// journal of its runs) in a folder of its own: the user's files are never read or touched.
int main(int argc, char** argv) {
    morvanex::platform::FixTimeZone();
    QTemporaryDir config;
    if (!config.isValid()) return 2;
    setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    // Runs record their undo journal under the state folder: a test's runs go here too.
    setenv("XDG_STATE_HOME", QFile::encodeName(config.path()).constData(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
