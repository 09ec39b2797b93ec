#pragma once

#include <QChar>
#include <QValidator>

namespace morvane::editor {

// Keeps the fourth character of a preset name fixed, as the module's name format has it
// ("Abc:Name"): typing at or before it moves the text past it, deleting it puts it back, and a
// text longer than three characters always has it in fourth place. The name holds only the
// module's characters: an accented letter becomes its plain letters as it is typed (é to e, ß
// to ss), a character with no plain form is left out, and OnLettersReplaced says which. The
// name is cut to kMaxLength characters.
class TNameValidator : public QValidator {
  Q_OBJECT

 public:
  static constexpr int kMaxLength = 16;
  static constexpr int kFixedIndex = 3;

  explicit TNameValidator(QObject* parent = nullptr);

  QChar Fixed() const { return FFixed; }
  void SetFixed(QChar fixed) { FFixed = fixed; }

  State validate(QString& input, int& position) const override;
  // The 16 characters a name is stored and sent as: text padded with spaces, the fixed
  // character in fourth place.
  QString FullName(const QString& text) const;

 signals:
  // What an edit changed to keep the name in the module's characters, for the status bar.
  void OnLettersReplaced(const QString& note) const;

 private:
  void KeepFixedInPlace(QString& input, int& position) const;
  void MakePlain(QString& input, int& position) const;
  void PutFixedBack(QString& text, int& position, qsizetype fixedAt) const;

  QChar FFixed = u':';
};

}  // namespace morvane::editor
