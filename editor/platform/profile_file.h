#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::editor {

// A read-only INI ("profile") file with the system's rules: sections and keys compared without
// regard to case, blanks around keys and values dropped, the first of two equal keys wins, a
// value in matching quotes loses them, values cut at kMaxValueLength characters, and lines
// without "=" ignored. Qt's INI reader does not fit: it reads commas as lists and escapes keys.
class TProfileFile {
 public:
  static constexpr std::size_t kMaxValueLength = 2047;

  TProfileFile() = default;
  explicit TProfileFile(std::string_view text);

  // A missing file reads as an empty one, as the system's profile functions do. Anything else
  // that cannot be read (a folder, a pipe, a file too large) fails with "Cannot open file %s:
  // <reason>" rather than reading as empty or waiting.
  static TProfileFile Load(const std::filesystem::path& path);

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback = {}) const;

 private:
  // Lower-cased "section" and "key", joined by a character no name can hold after trimming.
  std::map<std::string, std::string, std::less<>> FEntries;
};

}  // namespace morvane::editor
