#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace morvane::editor {

// A window of its own, beside the editor, that lists what differs between two presets.
class TCompareWindow final : public QDialog {
  Q_OBJECT

 public:
  TCompareWindow(QWidget* parent, const QString& title, const QString& text);
  QPlainTextEdit* Text() const { return FText; }

 private:
  QPlainTextEdit* FText;
};

}  // namespace morvane::editor
