#pragma once

#include <QLineEdit>
#include <QString>

namespace morvane::editor {

// A single-line edit box that accepts only what its mask allows. The mask is written as
// "positions;keep-literals;blank": "#" is an optional digit or sign, a leading "!" lets the
// unfilled positions stand as leading blanks, and the blank character shows every unfilled
// position.
class TMaskEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(QString EditMask READ EditMask WRITE setEditMask)
  Q_PROPERTY(QString Text READ Text WRITE setText)

 public:
  explicit TMaskEdit(QWidget* parent = nullptr);

  QString EditMask() const { return FEditMask; }
  void setEditMask(const QString& mask);
  // The text as it stands in the box, blanks included.
  QString Text() const;

 private:
  QString FEditMask;
};

}  // namespace morvane::editor
