#pragma once

#include <string>

namespace morvane::engine {

enum class TAskKind {
  Information,  // one OK button
  Question,     // a warning with Yes and No
};

// The window shows these as modal message boxes; tests answer from a script.
class TUserPrompt {
 public:
  virtual ~TUserPrompt() = default;
  // True when OK (Information) or Yes (Question) closed the box.
  virtual bool Ask(const std::string& text, TAskKind kind) = 0;
};

}  // namespace morvane::engine
