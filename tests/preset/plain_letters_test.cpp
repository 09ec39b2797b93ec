#include <gtest/gtest.h>

#include <string>

#include "preset/plain_letters.h"

namespace morvane::preset {
namespace {

// Each row: a name as given (UTF-8, or bytes that are not), what the module stores, and the
// notes that say what changed. A character counts once however many bytes it takes.
TEST(PlainLetters, NamesBecomeTheModulesCharactersOneCharacterAtATime) {
  const struct {
    std::string given;
    std::string stored;
    std::string plainNote;
    std::string refused;
  } rows[] = {
      {"Abc:Pad ~\x7F", "Abc:Pad ~\x7F", "", ""},
      {"Pad:W\u00E4rm \u00DCn\u00EFcode", "Pad:Warm Unicode",
       "\u00E4 is stored as a, \u00DC as U, \u00EF as i", ""},
      {"Str:a\u00DFe \u00C6\u0153\u00FE", "Str:asse AEoeth",
       "\u00DF is stored as ss, \u00C6 as AE, \u0153 as oe, \u00FE as th", ""},
      {"\u00C0\u00FF\u0100\u017F\u0218\u2019", "AyAsS'",
       "\u00C0 is stored as A, \u00FF as y, \u0100 as A, \u017F as s, \u0218 as S, \u2019 as '",
       ""},
      {"Caf\u00E9 \u00E9\u00E9", "Cafe ee", "\u00E9 is stored as e", ""},
      {"1\u00D72\u00F7\u20AC\u2713\U0001F3B9\u00BF\u0180", "1_2______", "",
       "\u00D7, \u00F7, \u20AC, \u2713, \U0001F3B9, \u00BF, \u0180"},
      // Bytes that start no well-formed character: Latin-1, a cut sequence, an overlong form,
      // a surrogate, a code past U+10FFFF.
      {"Caf\xE9", "Caf_", "", "\\xE9"},
      {"a\xC3", "a_", "", "\\xC3"},
      {"\xC0\xAF", "__", "", "\\xC0, \\xAF"},
      {"\xED\xA0\x80", "___", "", "\\xED, \\xA0, \\x80"},
      {"\xF4\x90\x80\x80", "____", "", "\\xF4, \\x90, \\x80"},
      {"\xE0\xA0\x80\xF0\x90\x80\x80", "__", "", "\u0800, \U00010000"},
  };
  for (const auto& row : rows) {
    const PlainName name = ToPlainName(row.given, "_");
    EXPECT_EQ(name.text, row.stored) << row.given;
    EXPECT_EQ(PlainFormsNote(name.changes), row.plainNote) << row.given;
    EXPECT_EQ(NoPlainFormList(name.changes), row.refused) << row.given;
  }
  EXPECT_EQ(ToPlainName("a\u2713b", "").text, "ab");
}

}  // namespace
}  // namespace morvane::preset
