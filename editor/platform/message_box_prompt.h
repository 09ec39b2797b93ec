#pragma once

#include <QPointer>
#include <QWidget>

#include "engine/ask_user.h"

namespace morvane::editor {

// The engine's questions and notices as modal message boxes over the window.
class TMessageBoxPrompt final : public engine::TUserPrompt {
 public:
  explicit TMessageBoxPrompt(QWidget* owner = nullptr) : FOwner(owner) {}
  void SetOwner(QWidget* owner) { FOwner = owner; }
  bool Ask(const std::string& text, engine::TAskKind kind) override;

 private:
  QPointer<QWidget> FOwner;
};

}  // namespace morvane::editor
