// A bare Qt window of a given size and title, shown at once: what start-up costs before any
// work of the editor's, for bench/startup/measure_startup.sh to set beside it.
//
//   morvane-bare-window WIDTH HEIGHT TITLE

#include <QApplication>
#include <QMainWindow>
#include <QString>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  constexpr int kArguments = 4;
  if (argc != kArguments) {
    return 1;
  }
  QMainWindow window;
  window.setWindowTitle(QString::fromLocal8Bit(argv[3]));
  window.resize(QString::fromLatin1(argv[1]).toInt(), QString::fromLatin1(argv[2]).toInt());
  window.show();
  return QApplication::exec();
}
