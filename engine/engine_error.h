#pragma once

#include <stdexcept>
#include <string>

namespace morvane::engine {

// A refused request to the performance engine; the text is shown to the user.
class EEngineError : public std::runtime_error {
 public:
  explicit EEngineError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace morvane::engine
