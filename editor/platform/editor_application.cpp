#include "editor_application.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <exception>

#include "application_title.h"
#include "handler_guard.h"

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

void ReportFailure(const QString& text) {
  if (TEditorApplication* application = TEditorApplication::Instance()) {
    application->ReportError(text);
    return;
  }
  qCritical("%s", qUtf8Printable(text));
}

}  // namespace

TEditorApplication::TEditorApplication(int& argc, char** argv) : QApplication(argc, argv) {
  SetIdentity();
}

void TEditorApplication::SetIdentity() {
  setApplicationName(ApplicationTitle());
  setApplicationVersion(QStringLiteral(MORVANE_VERSION));
}

TEditorApplication* TEditorApplication::Instance() {
  return qobject_cast<TEditorApplication*>(QCoreApplication::instance());
}

bool TEditorApplication::notify(QObject* receiver, QEvent* event) {
  // The last line of defence: handlers run guarded, so that nothing unwinds through the
  // toolkit; anything that still arrives here is shown all the same.
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportError(QString::fromUtf8(error.what()));
  } catch (...) {
    ReportError(kUnknownErrorText);
  }
  return true;
}

void RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ReportFailure(QString::fromUtf8(error.what()));
  } catch (...) {
    ReportFailure(kUnknownErrorText);
  }
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
