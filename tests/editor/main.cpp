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
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
