#include "window_application.h"

#include <QSettings>
#include <QTemporaryDir>

namespace morvane::bench {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "morvane-bench";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  static QApplication application(argc, argv);
  // Windows of the benchmarks keep no channels between runs and no backups after Request All,
  // whatever the user's own settings say.
  static QTemporaryDir systemSettingsFolder;
  static const bool settingsSet = [] {
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                       systemSettingsFolder.path());
    QSettings system(QSettings::NativeFormat, QSettings::SystemScope, "keltano", "mrveditor");
    system.setValue("setup/keepchannels", "0");
    system.setValue("setup/librarybackup", "0");
    return true;
  }();
  static_cast<void>(settingsSet);
  return application;
}

}  // namespace morvane::bench
