#pragma once

#include <stdexcept>
#include <string>

namespace morvane::midi {

class EmidioutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EMidiInputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kTextOutOfRange = "Specified error number is out of range";

}  // namespace morvane::midi
