#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::preset {

// The module's names hold character codes below 0x80 only. A name given in Unicode is brought
// into them one character at a time: an accented Latin letter becomes its plain letters (é to e,
// Ü to U, ß to ss), a few typographic marks their plain counterparts (’ to '), and a character
// with no plain form is refused, which each caller handles in its own way.

// What character stands for in a name: itself below 0x80, its plain form otherwise, nullopt
// when it has none.
std::optional<std::string_view> PlainFormOf(char32_t character);

// One character of a name that did not stand as given: its text (UTF-8; a byte that starts no
// character shows as \xHH) and its plain form, empty when it has none.
struct LetterChange {
  std::string given;
  std::string plain;
  friend bool operator==(const LetterChange&, const LetterChange&) = default;
};

// Adds change to changes unless it is there already.
void NoteChange(std::vector<LetterChange>& changes, LetterChange change);

struct PlainName {
  std::string text;
  // Each changed character once, in the order of its first appearance.
  std::vector<LetterChange> changes;
};

// The name as UTF-8 in the module's characters; a character with no plain form, and each byte
// that is not part of a well-formed UTF-8 character, becomes noPlainForm.
PlainName ToPlainName(std::string_view utf8, std::string_view noPlainForm);

// "é is stored as e, ß as ss"; empty when no change has a plain form.
std::string PlainFormsNote(std::span<const LetterChange> changes);
// "✓, €": the changed characters that have no plain form; empty when there are none.
std::string NoPlainFormList(std::span<const LetterChange> changes);

}  // namespace morvane::preset
