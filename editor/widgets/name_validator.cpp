#include "name_validator.h"

#include <QStringList>
#include <algorithm>
#include <vector>

#include "preset/plain_letters.h"

namespace morvane::editor {

namespace {

constexpr QChar kPad = u' ';
constexpr char32_t kFirstNonAscii = 0x80;

QString NoteOf(const std::vector<preset::LetterChange>& changes) {
  QStringList parts;
  if (const std::string plain = preset::PlainFormsNote(changes); !plain.empty()) {
    parts
        << QStringLiteral("Names hold no accented letters: %1").arg(QString::fromStdString(plain));
  }
  if (const std::string refused = preset::NoPlainFormList(changes); !refused.empty()) {
    parts << QStringLiteral("No plain form, left out: %1").arg(QString::fromStdString(refused));
  }
  return parts.join(QStringLiteral("; "));
}

}  // namespace

TNameValidator::TNameValidator(QObject* parent) : QValidator(parent) {}

// The fixed character is placed on the edit as typed, one character at a time; the letters are
// made plain after, and a replacement of another length moves the fixed character back to
// fourth place as typing or deleting there would.
QValidator::State TNameValidator::validate(QString& input, int& position) const {
  KeepFixedInPlace(input, position);
  MakePlain(input, position);
  if (input.size() > kMaxLength) {
    input.truncate(kMaxLength);
  }
  position = std::min(position, static_cast<int>(input.size()));
  return Acceptable;
}

// An edit moves the fixed character by at most one place from its own: one character typed or
// deleted at or before it. Anything else (a paste over it, say) gets it put back in its place.
void TNameValidator::KeepFixedInPlace(QString& input, int& position) const {
  if (input.size() <= kFixedIndex || input.at(kFixedIndex) == FFixed) {
    return;
  }
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

void TNameValidator::MakePlain(QString& input, int& position) const {
  const bool hasFixed = input.size() > kFixedIndex;
  QString plain;
  int plainPosition = position;
  qsizetype fixedAt = -1;
  std::vector<preset::LetterChange> changes;
  for (qsizetype index = 0; index < input.size();) {
    const bool pair = input.at(index).isHighSurrogate() && index + 1 < input.size() &&
                      input.at(index + 1).isLowSurrogate();
    const qsizetype length = pair ? 2 : 1;
    const char32_t code = pair ? QChar::surrogateToUcs4(input.at(index), input.at(index + 1))
                               : input.at(index).unicode();
    const bool isFixed = hasFixed && index == kFixedIndex;
    if (isFixed) {
      fixedAt = plain.size();
    }
    if (isFixed || code < kFirstNonAscii) {
      plain += input.mid(index, length);
      index += length;
      continue;
    }
    const std::optional<std::string_view> form = preset::PlainFormOf(code);
    const QString replacement =
        form ? QString::fromLatin1(form->data(), static_cast<qsizetype>(form->size())) : QString();
    preset::NoteChange(changes,
                       {input.mid(index, length).toStdString(), std::string(form.value_or(""))});
    if (index < position) {
      plainPosition += static_cast<int>(replacement.size() - length);
    }
    plain += replacement;
    index += length;
  }
  if (changes.empty()) {
    return;
  }
  PutFixedBack(plain, plainPosition, fixedAt);
  input = plain;
  position = plainPosition;
  emit OnLettersReplaced(NoteOf(changes));
}

// Letters before the fixed character that grew or went move it from fourth place: it goes back
// there, and a cursor that it passes keeps its characters on the same side. A text that grew past
// three characters without one gets it. fixedAt is where it stands, -1 for nowhere.
void TNameValidator::PutFixedBack(QString& text, int& position, qsizetype fixedAt) const {
  if (text.size() <= kFixedIndex || fixedAt == kFixedIndex) {
    return;
  }
  if (fixedAt < 0) {
    text.insert(kFixedIndex, FFixed);
    if (position > kFixedIndex) {
      ++position;
    }
    return;
  }
  const QChar fixed = text.at(fixedAt);
  text.remove(fixedAt, 1);
  text.insert(kFixedIndex, fixed);
  if (fixedAt > kFixedIndex && position > kFixedIndex && position <= fixedAt) {
    ++position;
  } else if (fixedAt < kFixedIndex && position > fixedAt && position <= kFixedIndex) {
    --position;
  }
}

QString TNameValidator::FullName(const QString& text) const {
  QString name = text.left(kMaxLength).leftJustified(kMaxLength, kPad);
  name[kFixedIndex] = FFixed;
  return name;
}

}  // namespace morvane::editor
