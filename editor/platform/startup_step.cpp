#include "startup_step.h"

#include <QtGlobal>

#include "editor_application.h"

namespace morvane::editor {

void ReportStartupError(const QString& text) noexcept {
  try {
    if (TEditorApplication* application = TEditorApplication::Instance()) {
      application->ReportError(text);
      return;
    }
  } catch (...) {
    // The error box itself failed: the platform's error output below still carries the text.
  }
  qCritical("%s", qUtf8Printable(text));
}

}  // namespace morvane::editor
