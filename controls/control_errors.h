#pragma once

#include <stdexcept>
#include <string>

namespace morvane::controls {

// A text that does not read as the number a setting asks for.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// An item of a control's item list asked for by an index that names none.
class EListError : public std::out_of_range {
 public:
  explicit EListError(const std::string& message) : std::out_of_range(message) {}
};

}  // namespace morvane::controls
