#include <QStatusBar>

#include "editor_application.h"
#include "tform1.h"

namespace morvane::editor {

void TForm1::ShowTransferStatus(const QString& text) {
  StatusBar1->showMessage(text);
}

// A box, so that no later status hides the error before the user has read it.
void TForm1::ReportTransferError(const QString& text) {
  if (TEditorApplication* application = TEditorApplication::Instance()) {
    application->ReportError(text);
    return;
  }
  qCritical("%s", qUtf8Printable(text));
}

}  // namespace morvane::editor
