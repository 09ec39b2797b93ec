#include "mask_edit.h"

#include <QStringList>

namespace morvane::editor {

namespace {

constexpr QChar kLeadingBlanksMark = u'!';
constexpr QChar kFieldSeparator = u';';
constexpr int kPositionsField = 0;
constexpr int kBlankField = 2;

}  // namespace

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::setEditMask(const QString& mask) {
  FEditMask = mask;
  const QStringList fields = mask.split(kFieldSeparator);
  QString positions = fields.value(kPositionsField);
  if (positions.startsWith(kLeadingBlanksMark)) {
    positions.remove(0, 1);
  }
  const QString blank = fields.value(kBlankField);
  // The toolkit's "#" is the same optional digit-or-sign position.
  setInputMask(blank.isEmpty() ? positions : positions + kFieldSeparator + blank.front());
}

QString TMaskEdit::Text() const {
  return displayText();
}

}  // namespace morvane::editor
