#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>
#include <vector>

class QRadioButton;

namespace morvane::editor {

// A captioned group of radio buttons arranged in columns, with one chosen item. OnClick runs
// whenever the chosen item changes, by the user or by the program; choosing the item that is
// already chosen runs nothing.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE setItemIndex)
  Q_PROPERTY(int Columns READ Columns WRITE setColumns)

 public:
  static constexpr int kNoItem = -1;

  explicit TRadioGroup(QWidget* parent = nullptr);

  QStringList Items() const { return FItems; }
  void setItems(const QStringList& items);
  int Columns() const { return FColumns; }
  void setColumns(int columns);
  int ItemIndex() const { return FItemIndex; }
  void setItemIndex(int index);
  QRadioButton* Button(int index) const;
  // Each button keeps room for its item followed by mark (a "*" that a button may show): the
  // gap between a button's circle and its text narrows as far as that needs.
  void setMarkRoom(const QString& mark);

 signals:
  void OnClick(TRadioGroup* sender);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void ArrangeButtons();
  // The style sheet of the gap that lets every item with its mark fit width, and of a caption
  // kept inside the parent where the group reaches above it.
  void FitTexts(int buttonWidth);

  QStringList FItems;
  int FColumns = 1;
  int FItemIndex = kNoItem;
  QString FMark;
  QButtonGroup FGroup;
  std::vector<QRadioButton*> FButtons;
};

}  // namespace morvane::editor
