#include "name_validator.h"

#include <algorithm>

namespace morvane::editor {

namespace {

constexpr QChar kPad = u' ';

}  // namespace

TNameValidator::TNameValidator(QObject* parent) : QValidator(parent) {}

// An edit moves the fixed character by at most one place from its own: one character typed or
// deleted at or before it. Anything else (a paste over it, say) gets it put back in its place.
QValidator::State TNameValidator::validate(QString& input, int& position) const {
  if (input.size() > kFixedIndex && input.at(kFixedIndex) != FFixed) {
    if (input.size() > kFixedIndex + 1 && input.at(kFixedIndex + 1) == FFixed) {
      // Typed before it: the fixed character goes back, the typed one follows it.
      input.remove(kFixedIndex + 1, 1);
      input.insert(kFixedIndex, FFixed);
      if (position > kFixedIndex) {
        ++position;
      }
    } else if (input.at(kFixedIndex - 1) == FFixed) {
      // Deleted before it: the text after it closes up behind it.
      input.remove(kFixedIndex - 1, 1);
      input.insert(kFixedIndex, FFixed);
    } else {
      input.insert(kFixedIndex, FFixed);
      if (position > kFixedIndex) {
        ++position;
      }
    }
  }
  if (input.size() > kMaxLength) {
    input.truncate(kMaxLength);
  }
  position = std::min(position, static_cast<int>(input.size()));
  return Acceptable;
}

QString TNameValidator::FullName(const QString& text) const {
  QString name = text.left(kMaxLength).leftJustified(kMaxLength, kPad);
  name[kFixedIndex] = FFixed;
  return name;
}

}  // namespace morvane::editor
