#pragma once

#include <QObject>

namespace morvane::editor {

// The application's show-hint option: while it is off no tool tip opens anywhere in the
// program. Status tips are not touched, so the status bar follows the current hint either way.
class THintSwitch : public QObject {
  Q_OBJECT

 public:
  explicit THintSwitch(QObject* parent);
  ~THintSwitch() override;

  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool show);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool FShowHint = true;
};

}  // namespace morvane::editor
