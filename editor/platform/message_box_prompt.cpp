#include "message_box_prompt.h"

#include <QMessageBox>

#include "application_title.h"

namespace morvane::editor {

bool TMessageBoxPrompt::Ask(const std::string& text, engine::TAskKind kind) {
  const QString message = QString::fromStdString(text);
  if (kind == engine::TAskKind::Question) {
    return QMessageBox::warning(FOwner, ApplicationTitle(), message,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes) == QMessageBox::Yes;
  }
  QMessageBox::information(FOwner, ApplicationTitle(), message, QMessageBox::Ok);
  return true;
}

}  // namespace morvane::editor
