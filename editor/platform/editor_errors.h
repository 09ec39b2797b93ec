#pragma once

#include <stdexcept>

namespace morvane::editor {

// A control looked up by a name that the window does not hold.
class EComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace morvane::editor
