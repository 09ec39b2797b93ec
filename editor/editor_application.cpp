#include "editor_application.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <exception>

#include "application_title.h"

namespace morvane::editor {

namespace {

const QString kUnknownErrorText = QStringLiteral("An unknown error occurred");

// A handler that ends by an error can leave the pointer hidden or a wait pointer set: the
// override cursor is one stack for the whole program and is emptied before the box shows.
void RestorePointer() {
  while (QGuiApplication::overrideCursor() != nullptr) {
    QGuiApplication::restoreOverrideCursor();
  }
}

}  // namespace

TEditorApplication::TEditorApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(ApplicationTitle());
  setApplicationVersion(QStringLiteral(MORVANE_VERSION));
}

TEditorApplication* TEditorApplication::Instance() {
  return qobject_cast<TEditorApplication*>(QCoreApplication::instance());
}

bool TEditorApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportError(QString::fromUtf8(error.what()));
  } catch (...) {
    ReportError(kUnknownErrorText);
  }
  return true;
}

void TEditorApplication::ReportError(const QString& text) {
  RestorePointer();
  if (FReporter) {
    FReporter(text);
    return;
  }
  QMessageBox::critical(activeWindow(), ApplicationTitle(), text);
}

}  // namespace morvane::editor
