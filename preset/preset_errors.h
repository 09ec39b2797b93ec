#pragma once

#include <stdexcept>
#include <string>

namespace morvane::preset {

// Failures of the preset image and its files; what() is the text shown to the user.
class PresetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FileOpenError : public PresetError {
 public:
  explicit FileOpenError(const std::string& fileName)
      : PresetError("Cannot open file " + fileName) {}
};

class FileCreateError : public PresetError {
 public:
  explicit FileCreateError(const std::string& fileName)
      : PresetError("Cannot create file " + fileName) {}
};

class StreamReadError : public PresetError {
 public:
  StreamReadError() : PresetError("Stream read error") {}
};

class StreamWriteError : public PresetError {
 public:
  StreamWriteError() : PresetError("Stream write error") {}
};

}  // namespace morvane::preset
