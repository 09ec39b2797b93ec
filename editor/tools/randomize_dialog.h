#pragma once

#include <QDialog>

#include "parammap/value_slots.h"

class QComboBox;
class QSpinBox;

namespace morvane::editor {

// Asks how far randomize may move the values, and which of them.
class TRandomizeDialog final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDefaultAmountPercent = 25;

  TRandomizeDialog(QWidget* parent, int shownLayer);

  int Amount() const;
  parammap::RandomScope Scope() const;

 private:
  QSpinBox* FAmount;
  QComboBox* FScope;
};

}  // namespace morvane::editor
