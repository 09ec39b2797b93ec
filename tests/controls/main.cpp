#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // The tests need no display; the offscreen platform also lets them move the pointer.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
