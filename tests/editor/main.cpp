#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "editor_application.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  morvane::editor::TEditorApplication app(argc, argv);
  // Never the user's own settings, whatever a test forgets.
  QTemporaryDir settingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  // Every window keeps no channels between runs and no backups after Request All, unless its
  // test turns them on: the system-wide settings stand behind each test's own.
  QTemporaryDir systemSettingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, systemSettingsFolder.path());
  {
    QSettings system(QSettings::NativeFormat, QSettings::SystemScope, "keltano", "mrveditor");
    system.setValue("setup/keepchannels", "0");
    system.setValue("setup/librarybackup", "0");
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
