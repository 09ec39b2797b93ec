#include "profile_file.h"

#include <system_error>

#include "preset/file_io.h"

namespace morvane::editor {

namespace {

constexpr char kEntrySeparator = '\n';
// Room for every value of every key of every section at its longest.
constexpr preset::FileSizeLimit kProfileLimit{16 << 20, "a parameter list"};
constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string EntryKey(std::string_view section, std::string_view key) {
  std::string result;
  result.reserve(section.size() + key.size() + 1);
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  for (const char c : Trim(section)) {
    result += lower(c);
  }
  result += kEntrySeparator;
  for (const char c : Trim(key)) {
    result += lower(c);
  }
  return result;
}

}  // namespace

TProfileFile::TProfileFile(std::string_view text) {
  std::string_view section;
  bool inSection = false;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      section =
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      inSection = true;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) {
      continue;
    }
    std::string_view value = Unquote(Trim(line.substr(equals + 1)));
    if (value.size() > kMaxValueLength) {
      value = value.substr(0, kMaxValueLength);
    }
    // emplace keeps the first of two equal keys.
    FEntries.emplace(EntryKey(section, line.substr(0, equals)), std::string(value));
  }
}

TProfileFile TProfileFile::Load(const std::filesystem::path& path) {
  // Only a file that is not there reads as empty; anything else the reader names.
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) {
    return {};
  }
  const preset::Bytes bytes = preset::ReadWholeFile(path, preset::PathText(path), kProfileLimit);
  return TProfileFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::string> TProfileFile::Read(std::string_view section,
                                              std::string_view key) const {
  const auto found = FEntries.find(EntryKey(section, key));
  if (found == FEntries.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view fallback) const {
  return Read(section, key).value_or(std::string(fallback));
}

}  // namespace morvane::editor
