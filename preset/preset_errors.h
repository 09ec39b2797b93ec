#pragma once

#include <stdexcept>
#include <string>

namespace morvane::preset {

// Failures of the preset image and its files; what() is the text shown to the user.
class PresetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Cannot open file %s", and after a colon why, in plain words, where that is known.
class FileOpenError : public PresetError {
 public:
  explicit FileOpenError(const std::string& fileName)
      : PresetError("Cannot open file " + fileName) {}
  FileOpenError(const std::string& fileName, const std::string& reason)
      : PresetError("Cannot open file " + fileName + ": " + reason) {}
};

// "Cannot create file %s", and after a colon why, in plain words, where that is known.
class FileCreateError : public PresetError {
 public:
  explicit FileCreateError(const std::string& fileName)
      : PresetError("Cannot create file " + fileName) {}
  FileCreateError(const std::string& fileName, const std::string& reason)
      : PresetError("Cannot create file " + fileName + ": " + reason) {}
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
