#include "plain_letters.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace morvane::preset {

namespace {

constexpr char32_t kFirstNonAscii = 0x80;
constexpr char32_t kFirstTableLetter = 0xC0;

// The plain forms of U+00C0..U+017F (Latin-1's letters and Latin Extended-A), in code order;
// empty for × and ÷, which are no letters.
// clang-format off
constexpr std::array<std::string_view, 0x180 - kFirstTableLetter> kLatinLetters{
    // U+00C0 À Á Â Ã Ä Å Æ Ç È É Ê Ë Ì Í Î Ï
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    // U+00D0 Ð Ñ Ò Ó Ô Õ Ö × Ø Ù Ú Û Ü Ý Þ ß
    "D", "N", "O", "O", "O", "O", "O", "",  "O", "U", "U", "U", "U", "Y", "TH", "ss",
    // U+00E0 à á â ã ä å æ ç è é ê ë ì í î ï
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    // U+00F0 ð ñ ò ó ô õ ö ÷ ø ù ú û ü ý þ ÿ
    "d", "n", "o", "o", "o", "o", "o", "",  "o", "u", "u", "u", "u", "y", "th", "y",
    // U+0100 Ā ā Ă ă Ą ą Ć ć Ĉ ĉ Ċ ċ Č č Ď ď
    "A", "a", "A", "a", "A", "a", "C", "c", "C", "c", "C", "c", "C", "c", "D", "d",
    // U+0110 Đ đ Ē ē Ĕ ĕ Ė ė Ę ę Ě ě Ĝ ĝ Ğ ğ
    "D", "d", "E", "e", "E", "e", "E", "e", "E", "e", "E", "e", "G", "g", "G", "g",
    // U+0120 Ġ ġ Ģ ģ Ĥ ĥ Ħ ħ Ĩ ĩ Ī ī Ĭ ĭ Į į
    "G", "g", "G", "g", "H", "h", "H", "h", "I", "i", "I", "i", "I", "i", "I", "i",
    // U+0130 İ ı Ĳ ĳ Ĵ ĵ Ķ ķ ĸ Ĺ ĺ Ļ ļ Ľ ľ Ŀ
    "I", "i", "IJ", "ij", "J", "j", "K", "k", "k", "L", "l", "L", "l", "L", "l", "L",
    // U+0140 ŀ Ł ł Ń ń Ņ ņ Ň ň ŉ Ŋ ŋ Ō ō Ŏ ŏ
    "l", "L", "l", "N", "n", "N", "n", "N", "n", "'n", "N", "n", "O", "o", "O", "o",
    // U+0150 Ő ő Œ œ Ŕ ŕ Ŗ ŗ Ř ř Ś ś Ŝ ŝ Ş ş
    "O", "o", "OE", "oe", "R", "r", "R", "r", "R", "r", "S", "s", "S", "s", "S", "s",
    // U+0160 Š š Ţ ţ Ť ť Ŧ ŧ Ũ ũ Ū ū Ŭ ŭ Ů ů
    "S", "s", "T", "t", "T", "t", "T", "t", "U", "u", "U", "u", "U", "u", "U", "u",
    // U+0170 Ű ű Ų ų Ŵ ŵ Ŷ ŷ Ÿ Ź ź Ż ż Ž ž ſ
    "U", "u", "U", "u", "W", "w", "Y", "y", "Y", "Z", "z", "Z", "z", "Z", "z", "s",
};
// clang-format on

struct OtherForm {
  char32_t character;
  std::string_view plain;
};
// Letters beyond the table that names in Romanian and in pinyin use, and the typographic
// marks that word processors put in for plain ones.
constexpr OtherForm kOtherForms[] = {
    {0x0192, "f"}, {0x01CD, "A"}, {0x01CE, "a"},  {0x01CF, "I"},  {0x01D0, "i"},   {0x01D1, "O"},
    {0x01D2, "o"}, {0x01D3, "U"}, {0x01D4, "u"},  {0x0218, "S"},  {0x0219, "s"},   {0x021A, "T"},
    {0x021B, "t"}, {0x00A0, " "}, {0x2010, "-"},  {0x2011, "-"},  {0x2013, "-"},   {0x2014, "-"},
    {0x2018, "'"}, {0x2019, "'"}, {0x201C, "\""}, {0x201D, "\""}, {0x2026, "..."},
};

// UTF-8 as Unicode defines its well-formed sequences: the second byte's range depends on the
// first (no overlong forms, no surrogates, nothing past U+10FFFF), later ones are 80..BF.
struct SequenceStart {
  std::uint8_t firstLow;
  std::uint8_t firstHigh;
  std::size_t length;
  std::uint8_t secondLow;
  std::uint8_t secondHigh;
};
constexpr SequenceStart kSequenceStarts[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};
constexpr std::uint8_t kContinuationLow = 0x80;
constexpr std::uint8_t kContinuationHigh = 0xBF;
constexpr int kContinuationBits = 6;
constexpr std::uint8_t kContinuationMask = 0x3F;

struct Decoded {
  std::optional<char32_t> character;  // nullopt for a stray byte
  std::size_t length;
};

std::uint8_t ByteAt(std::string_view text, std::size_t index) {
  return static_cast<std::uint8_t>(text[index]);
}

Decoded DecodeAt(std::string_view text, std::size_t index) {
  const std::uint8_t first = ByteAt(text, index);
  if (first < kFirstNonAscii) {
    return {first, 1};
  }
  const auto start = std::find_if(
      std::begin(kSequenceStarts), std::end(kSequenceStarts),
      [first](const SequenceStart& s) { return first >= s.firstLow && first <= s.firstHigh; });
  if (start == std::end(kSequenceStarts) || index + start->length > text.size()) {
    return {std::nullopt, 1};
  }
  // A lead byte of a sequence of n bytes keeps 7 - n bits of the code.
  constexpr std::size_t kLeadBitsAndLength = 7;
  char32_t code = first & ((1U << (kLeadBitsAndLength - start->length)) - 1);
  for (std::size_t offset = 1; offset < start->length; ++offset) {
    const std::uint8_t byte = ByteAt(text, index + offset);
    const std::uint8_t low = offset == 1 ? start->secondLow : kContinuationLow;
    const std::uint8_t high = offset == 1 ? start->secondHigh : kContinuationHigh;
    if (byte < low || byte > high) {
      return {std::nullopt, 1};
    }
    code = (code << kContinuationBits) | (byte & kContinuationMask);
  }
  return {code, start->length};
}

std::string StrayByteText(std::uint8_t byte) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  constexpr int kHex = 16;
  return std::string("\\x") + kHexDigits[byte / kHex] + kHexDigits[byte % kHex];
}

std::string JoinedList(std::span<const std::string> parts) {
  std::string text;
  for (const std::string& part : parts) {
    text += (text.empty() ? "" : ", ") + part;
  }
  return text;
}

}  // namespace

std::optional<std::string_view> PlainFormOf(char32_t character) {
  // Each code below 0x80 stands for itself: a one-character view into this table.
  static constexpr std::array<char, kFirstNonAscii> kAscii = [] {
    std::array<char, kFirstNonAscii> table{};
    for (std::size_t code = 0; code < table.size(); ++code) {
      table[code] = static_cast<char>(code);
    }
    return table;
  }();
  if (character < kFirstNonAscii) {
    return std::string_view(&kAscii[character], 1);
  }
  if (character >= kFirstTableLetter && character < kFirstTableLetter + kLatinLetters.size()) {
    const std::string_view plain = kLatinLetters[character - kFirstTableLetter];
    return plain.empty() ? std::nullopt : std::optional(plain);
  }
  for (const OtherForm& form : kOtherForms) {
    if (form.character == character) {
      return form.plain;
    }
  }
  return std::nullopt;
}

void NoteChange(std::vector<LetterChange>& changes, LetterChange change) {
  if (std::find(changes.begin(), changes.end(), change) == changes.end()) {
    changes.push_back(std::move(change));
  }
}

PlainName ToPlainName(std::string_view utf8, std::string_view noPlainForm) {
  PlainName result;
  for (std::size_t index = 0; index < utf8.size();) {
    const Decoded decoded = DecodeAt(utf8, index);
    const std::optional<std::string_view> plain =
        decoded.character ? PlainFormOf(*decoded.character) : std::nullopt;
    const bool unchanged = decoded.character && *decoded.character < kFirstNonAscii;
    if (!unchanged) {
      LetterChange change{decoded.character ? std::string(utf8.substr(index, decoded.length))
                                            : StrayByteText(ByteAt(utf8, index)),
                          std::string(plain.value_or(""))};
      NoteChange(result.changes, std::move(change));
    }
    result.text += plain ? *plain : noPlainForm;
    index += decoded.length;
  }
  return result;
}

std::string PlainFormsNote(std::span<const LetterChange> changes) {
  std::vector<std::string> parts;
  for (const LetterChange& change : changes) {
    if (!change.plain.empty()) {
      parts.push_back(change.given + (parts.empty() ? " is stored as " : " as ") + change.plain);
    }
  }
  return JoinedList(parts);
}

std::string NoPlainFormList(std::span<const LetterChange> changes) {
  std::vector<std::string> parts;
  for (const LetterChange& change : changes) {
    if (change.plain.empty()) {
      parts.push_back(change.given);
    }
  }
  return JoinedList(parts);
}

}  // namespace morvane::preset
