#pragma once

#include <QChar>
#include <QValidator>

namespace morvane::editor {

// Keeps the fourth character of a preset name fixed, as the module's name format has it
// ("Abc:Name"): typing at or before it moves the text past it, deleting it puts it back, and a
// text longer than three characters always has it in fourth place. The name is cut to
// kMaxLength characters.
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

 private:
  QChar FFixed = u':';
};

}  // namespace morvane::editor
