#include "radio_group.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>

namespace morvane::editor {

namespace {

// The buttons fill the group below its caption: columns share the width less these margins,
// and each column holds its items top to bottom before the next column starts.
constexpr int kSideMargins = 10;
constexpr int kLeftMargin = 8;
constexpr int kBottomMargin = 5;
constexpr int kCaptionGap = 1;

}  // namespace

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent) {
  FGroup.setExclusive(true);
  setFocusPolicy(Qt::TabFocus);
  connect(&FGroup, &QButtonGroup::idClicked, this, [this](int id) { setItemIndex(id); });
}

void TRadioGroup::setItems(const QStringList& items) {
  for (QRadioButton* button : FButtons) {
    FGroup.removeButton(button);
    delete button;
  }
  FButtons.clear();
  FItems = items;
  for (int index = 0; index < FItems.size(); ++index) {
    auto* button = new QRadioButton(FItems.at(index), this);
    FGroup.addButton(button, index);
    FButtons.push_back(button);
  }
  if (FItemIndex >= static_cast<int>(FButtons.size())) {
    FItemIndex = kNoItem;
  }
  if (FItemIndex != kNoItem) {
    FButtons[static_cast<std::size_t>(FItemIndex)]->setChecked(true);
  }
  ArrangeButtons();
}

void TRadioGroup::setColumns(int columns) {
  FColumns = std::max(1, columns);
  ArrangeButtons();
}

void TRadioGroup::setItemIndex(int index) {
  if (index < kNoItem || index >= static_cast<int>(FButtons.size())) {
    index = kNoItem;
  }
  if (index == FItemIndex) {
    return;
  }
  if (index == kNoItem) {
    FGroup.setExclusive(false);
    FButtons[static_cast<std::size_t>(FItemIndex)]->setChecked(false);
    FGroup.setExclusive(true);
  } else {
    FButtons[static_cast<std::size_t>(index)]->setChecked(true);
  }
  FItemIndex = index;
  emit OnClick(this);
}

void TRadioGroup::setMarkRoom(const QString& mark) {
  FMark = mark;
  ArrangeButtons();
}

QRadioButton* TRadioGroup::Button(int index) const {
  if (index < 0 || index >= static_cast<int>(FButtons.size())) {
    return nullptr;
  }
  return FButtons[static_cast<std::size_t>(index)];
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  ArrangeButtons();
}

void TRadioGroup::focusInEvent(QFocusEvent* event) {
  QGroupBox::focusInEvent(event);
  if (QRadioButton* chosen = Button(FItemIndex)) {
    chosen->setFocus(event->reason());
  } else if (!FButtons.empty()) {
    FButtons.front()->setFocus(event->reason());
  }
}

void TRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) {
    return;
  }
  const int count = static_cast<int>(FButtons.size());
  const int perColumn = (count + FColumns - 1) / FColumns;
  const int textHeight = QFontMetrics(font()).height();
  const int buttonWidth = std::max(1, (width() - kSideMargins) / FColumns);
  const int rowsSpace = std::max(0, height() - textHeight - kBottomMargin);
  const int buttonHeight = std::max(1, rowsSpace / perColumn);
  const int topMargin = textHeight + kCaptionGap + (rowsSpace % perColumn) / 2;
  for (int index = 0; index < count; ++index) {
    const int left = (index / perColumn) * buttonWidth + kLeftMargin;
    const int top = (index % perColumn) * buttonHeight + topMargin;
    FButtons[static_cast<std::size_t>(index)]->setGeometry(left, top, buttonWidth, buttonHeight);
  }
  FitTexts(buttonWidth);
}

void TRadioGroup::FitTexts(int buttonWidth) {
  QStringList rules;
  if (!FMark.isEmpty()) {
    const QRadioButton& first = *FButtons.front();
    int widest = 0;
    for (const QString& item : FItems) {
      widest = std::max(widest, first.fontMetrics().horizontalAdvance(item + FMark));
    }
    const QStyle& style = *first.style();
    const int circle = style.pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &first);
    // The application's style: the group's own sheet may have narrowed the gap already.
    const int usual =
        QApplication::style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, nullptr);
    const int gap = std::clamp(buttonWidth - circle - widest, 0, usual);
    if (gap < usual) {
      rules << QStringLiteral("QRadioButton { spacing: %1px; }").arg(gap);
    }
  }
  if (y() < 0) {
    rules << QStringLiteral("QGroupBox::title { subcontrol-origin: margin; top: %1px; }").arg(-y());
  }
  const QString sheet = rules.join(QLatin1Char(' '));
  if (sheet != styleSheet()) {
    setStyleSheet(sheet);
  }
}

}  // namespace morvane::editor
