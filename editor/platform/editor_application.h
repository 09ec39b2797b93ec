#pragma once

#include <QApplication>
#include <QString>
#include <functional>

namespace morvane::editor {

// The application object. An error raised by any event handler ends that handler here, is
// shown in an error box, and the event loop goes on; no error crosses the loop.
class TEditorApplication : public QApplication {
  Q_OBJECT

 public:
  using ErrorReporter = std::function<void(const QString& text)>;

  TEditorApplication(int& argc, char** argv);

  // The program's name and version, for the window and for --version; they can be set before
  // any application object exists.
  static void SetIdentity();

  bool notify(QObject* receiver, QEvent* event) override;

  // Replaces the error box (tests record the texts instead of showing a modal box).
  void SetErrorReporter(ErrorReporter reporter) { FReporter = std::move(reporter); }
  void ReportError(const QString& text);

  static TEditorApplication* Instance();

 private:
  ErrorReporter FReporter;
};

}  // namespace morvane::editor
