#include "window_application.h"

namespace morvane::bench {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "morvane-bench";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  static QApplication application(argc, argv);
  return application;
}

}  // namespace morvane::bench
