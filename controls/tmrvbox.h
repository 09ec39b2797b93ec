#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QString>

namespace morvane::controls {

// A selection-only drop-down list whose selection can also be read and set as a value of
// Min..Max (item k stands for Min + k), carrying up to three bytes as hexadecimal text.
// OnChange is raised for a choice of the user, never for a change made by code.
class Tmrvbox : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(int Max READ Max WRITE setMax)
  Q_PROPERTY(int Min READ Min WRITE setMin)
  Q_PROPERTY(int Position READ Position WRITE setPosition)
  Q_PROPERTY(QLabel* myLabel READ myLabel WRITE setMyLabel)
  Q_PROPERTY(QString Tag1 READ Tag1 WRITE setTag1)
  Q_PROPERTY(QString Tag2 READ Tag2 WRITE setTag2)
  Q_PROPERTY(QString Tag3 READ Tag3 WRITE setTag3)
  Q_PROPERTY(int Tag4 READ Tag4 WRITE setTag4)
  Q_PROPERTY(int Tag5 READ Tag5 WRITE setTag5)
  Q_PROPERTY(int defIndex READ defIndex WRITE setDefIndex)
  Q_PROPERTY(int ItemIndex READ currentIndex WRITE setCurrentIndex)
  Q_PROPERTY(int ItemHeight READ ItemHeight WRITE setItemHeight)

 public:
  static constexpr int kDropDownRows = 24;
  static constexpr int kDefaultItemHeight = 13;
  // The label sits this far above the box and one pixel right of its left edge.
  static constexpr int kLabelRise = 12;
  static constexpr int kLabelIndent = 1;

  explicit Tmrvbox(QWidget* parent = nullptr);

  int Max() const { return FMax; }
  void setMax(int value) { FMax = value; }
  int Min() const { return FMin; }
  void setMin(int value) { FMin = value; }

  // Min + the selected index; 0 for no selection, a selection beyond the range, an empty box or
  // an empty or single-value range.
  int Position() const;
  // Selects item value − Min; ignored outside Min..Max, on an empty box and for Min ≥ Max.
  void setPosition(int value);

  QLabel* myLabel() const { return FLabel; }
  // Gives the previous label back its own name as caption; the new label is captioned with
  // the box's name and placed above the box, as wide as the box.
  void setMyLabel(QLabel* label);

  // Upper-case hexadecimal, at least two digits, no "$".
  QString Tag1() const;
  QString Tag2() const;
  QString Tag3() const;
  // Hexadecimal text with or without "$". Throws EConvertError and keeps the previous value.
  void setTag1(const QString& text);
  void setTag2(const QString& text);
  void setTag3(const QString& text);
  int Tag4() const { return FTag4; }
  void setTag4(int value) { FTag4 = value; }
  int Tag5() const { return FTag5; }
  void setTag5(int value) { FTag5 = value; }

  // Height in pixels of a row of the drop-down list.
  int ItemHeight() const { return FItemHeight; }
  void setItemHeight(int height);

  int defIndex() const { return FDefIndex; }
  // Stores the value and, when the box has items and Max > Min, selects it.
  void setDefIndex(int value);

 signals:
  void OnChange(Tmrvbox* sender);

 private:
  bool RangeUsable() const;

  int FMax = 0;
  int FMin = 0;
  QPointer<QLabel> FLabel;
  int FTag1 = 0;
  int FTag2 = 0;
  int FTag3 = 0;
  int FTag4 = 0;
  int FTag5 = 0;
  int FDefIndex = 0;
  int FItemHeight = kDefaultItemHeight;
};

}  // namespace morvane::controls
