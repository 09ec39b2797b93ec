// Arbitrary bytes as the text of a profile file, looked up at the first keys the text itself
// holds and at names the editor reads from parms.txt. A scan of our own finds the line each
// lookup must answer with: the first key line of that section and key in any letter case, after
// the section's "[name]" line. The reader must give that line's value with blanks around it
// dropped, matching quotes dropped and cut at kMaxValueLength; so a value starts with a blank
// only inside quotes and ends with one only inside quotes or where it was cut. It must give the
// same answer for the names with every letter in the other case.
//
// The reader gets the input up to its kMaxLines-th CR or LF, at most kMaxTextSize bytes, copied
// into a buffer of their own size so that a read past them is caught. Under the sanitizers the cost
// of a text grows mostly with its lines; every rule shows within a few of them, and the byte
// limit leaves room for a value longer than kMaxValueLength.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/platform/profile_file.h"

namespace {

using morvane::editor::TProfileFile;

constexpr std::string_view kBlanks = " \t";
constexpr char kSectionOpen = '[';
constexpr char kSectionClose = ']';
constexpr char kKeyEnd = '=';
// Not a value any line can hold: lines end at CR.
constexpr std::string_view kFallback = "\rfallback";

// The generic list's sections and a key each of them holds in parms.txt.
constexpr std::array<std::string_view, 5> kEditorSections{"name", "lsb", "msb", "min", "max"};
constexpr std::array<std::string_view, 1> kEditorKeys{"2"};
constexpr std::size_t kEditorLookups = kEditorSections.size() * kEditorKeys.size();
constexpr std::size_t kDerivedLookups = 8;
constexpr std::size_t kMaxLines = 32;
constexpr std::size_t kMaxTextSize = 2 * (TProfileFile::kMaxValueLength + 1);
constexpr std::size_t kMaxLookups = kEditorLookups + kDerivedLookups;
static_assert(kMaxLookups <= 32, "one bit per lookup in a 32-bit mask");

struct Lookup {
  std::string_view section;  // names without blanks around them
  std::string_view key;
  bool found = false;
  std::string_view rawValue;  // the line's value with blanks around it dropped
};

// Finds line ends (CR or LF) from left to right with one search per line, not one per byte.
class LineEnds {
 public:
  explicit LineEnds(std::string_view text)
      : text_(text), nextCr_(text.find('\r')), nextLf_(text.find('\n')) {}

  // The first line end at or after start, or the text's size.
  std::size_t Next(std::size_t start) {
    if (nextCr_ < start) {
      nextCr_ = text_.find('\r', start);
    }
    if (nextLf_ < start) {
      nextLf_ = text_.find('\n', start);
    }
    return std::min({nextCr_, nextLf_, text_.size()});
  }

 private:
  std::string_view text_;
  std::size_t nextCr_;
  std::size_t nextLf_;
};

bool IsBlank(char c) {
  return kBlanks.find(c) != std::string_view::npos;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char OtherCase(char c) {
  if (c >= 'a' && c <= 'z') {
    return static_cast<char>(c - 'a' + 'A');
  }
  return AsciiLower(c);
}

// Names without blanks around them, compared as the reader does.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

std::string InOtherCase(std::string_view name) {
  std::string result(name);
  std::transform(result.begin(), result.end(), result.begin(), OtherCase);
  return result;
}

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

std::string_view ExpectedValue(std::string_view rawValue) {
  if (IsQuoted(rawValue)) {
    rawValue = rawValue.substr(1, rawValue.size() - 2);
  }
  return rawValue.substr(0, TProfileFile::kMaxValueLength);
}

// Fills lookups with the editor's names and the text's first distinct keys, each with the line
// that answers it; returns how many there are.
std::size_t FindLookups(std::string_view text, std::array<Lookup, kMaxLookups>& lookups) {
  std::size_t count = 0;
  for (const std::string_view section : kEditorSections) {
    for (const std::string_view key : kEditorKeys) {
      lookups[count++] = Lookup{section, key, false, {}};
    }
  }
  std::size_t resolved = 0;
  std::optional<std::string_view> section;
  std::uint32_t sectionMatches = 0;
  LineEnds lineEnds(text);
  for (std::size_t start = 0; start < text.size() && (resolved < count || count < kMaxLookups);) {
    const std::size_t end = lineEnds.Next(start);
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;

    if (!line.empty() && line.front() == kSectionOpen) {
      section = line.substr(1);
      section = Trim(section->substr(0, section->find(kSectionClose)));
      sectionMatches = 0;
      for (std::size_t i = 0; i < count; ++i) {
        if (SameName(lookups[i].section, *section)) {
          sectionMatches |= 1U << i;
        }
      }
      continue;
    }
    const std::size_t equals = line.find(kKeyEnd);
    if (!section || equals == std::string_view::npos) {
      continue;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view rawValue = Trim(line.substr(equals + 1));
    bool known = false;
    for (std::size_t i = 0; i < count; ++i) {
      if ((sectionMatches & (1U << i)) != 0 && SameName(lookups[i].key, key)) {
        known = true;
        if (!lookups[i].found) {
          lookups[i] = Lookup{lookups[i].section, lookups[i].key, true, rawValue};
          ++resolved;
        }
      }
    }
    if (!known && count < kMaxLookups) {
      sectionMatches |= 1U << count;
      lookups[count++] = Lookup{*section, key, true, rawValue};
      ++resolved;
    }
  }
  return count;
}

// The editor's names are read as the editor reads them, through ReadString.
std::optional<std::string> ReadValue(const TProfileFile& file, const Lookup& lookup,
                                     bool editorName) {
  if (!editorName) {
    return file.Read(lookup.section, lookup.key);
  }
  std::string value = file.ReadString(lookup.section, lookup.key, kFallback);
  if (value == kFallback) {
    return std::nullopt;
  }
  return value;
}

void CheckLookup(const TProfileFile& file, const Lookup& lookup, bool editorName) {
  const std::optional<std::string> value = ReadValue(file, lookup, editorName);
  if (value.has_value() != lookup.found) {
    __builtin_trap();
  }
  if (value) {
    if (value->size() > TProfileFile::kMaxValueLength || *value != ExpectedValue(lookup.rawValue)) {
      __builtin_trap();
    }
    const bool quoted = IsQuoted(lookup.rawValue);
    const bool cut = value->size() == TProfileFile::kMaxValueLength;
    if (!value->empty() &&
        ((IsBlank(value->front()) && !quoted) || (IsBlank(value->back()) && !quoted && !cut))) {
      __builtin_trap();
    }
  }
  if (file.Read(InOtherCase(lookup.section), InOtherCase(lookup.key)) != value) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), std::min(size, kMaxTextSize));
  LineEnds lineEnds(input);
  std::size_t textSize = 0;
  for (std::size_t line = 0; line < kMaxLines && textSize < input.size(); ++line) {
    textSize = lineEnds.Next(textSize) + 1;
  }
  const std::vector<char> bytes(input.begin(), input.begin() + std::min(textSize, input.size()));
  const std::string_view text(bytes.data(), bytes.size());
  const TProfileFile file(text);
  std::array<Lookup, kMaxLookups> lookups;
  const std::size_t count = FindLookups(text, lookups);
  for (std::size_t i = 0; i < count; ++i) {
    CheckLookup(file, lookups[i], i < kEditorLookups);
  }
  return 0;
}
