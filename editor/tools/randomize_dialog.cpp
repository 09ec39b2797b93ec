#include "randomize_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "parammap/randomize.h"

namespace morvane::editor {

TRandomizeDialog::TRandomizeDialog(QWidget* parent, int shownLayer)
    : QDialog(parent), FAmount(new QSpinBox(this)), FScope(new QComboBox(this)) {
  setObjectName(QStringLiteral("RandomizeDialog"));
  setWindowTitle(QStringLiteral("Randomize"));
  FAmount->setObjectName(QStringLiteral("amount"));
  FAmount->setRange(0, parammap::kMaxAmountPercent);
  FAmount->setSuffix(QStringLiteral(" %"));
  FAmount->setValue(kDefaultAmountPercent);
  FAmount->setToolTip(
      QStringLiteral("How far each value may move from where it stands, within its range"));
  FScope->setObjectName(QStringLiteral("scope"));
  // In the order of parammap::RandomScope.
  FScope->addItems({QStringLiteral("Layer %1").arg(shownLayer), QStringLiteral("All four layers"),
                    QStringLiteral("Common page"),
                    QStringLiteral("Patchcords of layer %1").arg(shownLayer)});
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("&Amount:"), FAmount);
  form->addRow(QStringLiteral("&Scope:"), FScope);
  form->addRow(buttons);
}

int TRandomizeDialog::Amount() const {
  return FAmount->value();
}

parammap::RandomScope TRandomizeDialog::Scope() const {
  return static_cast<parammap::RandomScope>(FScope->currentIndex());
}

}  // namespace morvane::editor
