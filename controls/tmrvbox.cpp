#include "tmrvbox.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QStyledItemDelegate>

#include "control_font.h"
#include "number_text.h"

namespace morvane::controls {

namespace {

// Draws the drop-down's rows at the box's item height.
class ItemHeightDelegate : public QStyledItemDelegate {
 public:
  ItemHeightDelegate(const Tmrvbox* box, QObject* parent)
      : QStyledItemDelegate(parent), box_(box) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(box_->ItemHeight());
    return size;
  }

 private:
  const Tmrvbox* box_;
};

}  // namespace

Tmrvbox::Tmrvbox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setMaxVisibleItems(kDropDownRows);
  // Styles that open the list over the box show every item; this keeps the list of rows.
  setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  setFont(ControlFont());
  setItemDelegate(new ItemHeightDelegate(this, this));
  connect(this, &QComboBox::activated, this, [this](int) { emit OnChange(this); });
}

bool Tmrvbox::RangeUsable() const {
  return FMin < FMax && count() > 0;
}

int Tmrvbox::Position() const {
  if (!RangeUsable()) {
    return 0;
  }
  const long long index = currentIndex();
  if (index < 0 || index > static_cast<long long>(FMax) - FMin) {
    return 0;
  }
  return static_cast<int>(FMin + index);
}

void Tmrvbox::setPosition(int value) {
  if (!RangeUsable() || value < FMin || value > FMax) {
    return;
  }
  const long long index = static_cast<long long>(value) - FMin;
  setCurrentIndex(index < count() ? static_cast<int>(index) : -1);
}

void Tmrvbox::setMyLabel(QLabel* label) {
  if (FLabel != nullptr) {
    FLabel->setText(FLabel->objectName());
  }
  FLabel = label;
  if (FLabel == nullptr) {
    return;
  }
  FLabel->setText(objectName());
  FLabel->setGeometry(x() + kLabelIndent, y() - kLabelRise, width(), FLabel->height());
}

QString Tmrvbox::Tag1() const {
  return FormatHexByte(FTag1);
}

QString Tmrvbox::Tag2() const {
  return FormatHexByte(FTag2);
}

QString Tmrvbox::Tag3() const {
  return FormatHexByte(FTag3);
}

void Tmrvbox::setTag1(const QString& text) {
  FTag1 = ParseHexSetting(text);
}

void Tmrvbox::setTag2(const QString& text) {
  FTag2 = ParseHexSetting(text);
}

void Tmrvbox::setTag3(const QString& text) {
  FTag3 = ParseHexSetting(text);
}

void Tmrvbox::setItemHeight(int height) {
  FItemHeight = height;
  view()->doItemsLayout();
}

void Tmrvbox::setDefIndex(int value) {
  FDefIndex = value;
  if (count() > 0 && FMax > FMin) {
    setPosition(value);
  }
}

}  // namespace morvane::controls
