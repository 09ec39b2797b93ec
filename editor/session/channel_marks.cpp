#include <QPalette>
#include <QRadioButton>

#include "radio_group.h"
#include "tform1.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

// Qt's place for the modified mark in a window title.
const QString kModifiedPlaceholder = QStringLiteral("[*]");
const QString kButtonMark = QStringLiteral("*");
// Coloured too: the last column of buttons leaves the mark little room.
const QColor kMarkedColour(0xB0, 0x48, 0x00);
const QString kMarkedTip = QStringLiteral(
    "Changed in the editor since it was last sent or received: the module may hold "
    "another preset");

}  // namespace

void TForm1::MarkChannelsOnTransfers() {
  TTransferObservers& observers = FTransfers->observers;
  observers.presetLoaded.push_back(
      [this](int channelIndex, const QString& /*source*/) { ChannelChanged(channelIndex); });
  // A preset changed again while its dump was on the way keeps its mark when the dump is out.
  observers.channelSending.push_back([this](int channelIndex) {
    const auto index = static_cast<std::size_t>(channelIndex);
    FSentChange.at(index) = FChange.at(index);
  });
  observers.channelSent.push_back([this](int channelIndex) {
    const auto index = static_cast<std::size_t>(channelIndex);
    if (FSentChange.at(index) == FChange.at(index)) {
      ChannelSent(channelIndex);
    }
  });
  observers.channelReceived.push_back([this](int channelIndex) { ChannelReceived(channelIndex); });
}

bool TForm1::ChannelMarked(int channelIndex) const {
  return FMarked.at(static_cast<std::size_t>(channelIndex));
}

void TForm1::ChannelChanged(int channelIndex) {
  ++FChange.at(static_cast<std::size_t>(channelIndex));
  SetChannelMark(channelIndex, true);
}

void TForm1::ChannelSent(int channelIndex) {
  SetChannelMark(channelIndex, false);
}

void TForm1::ChannelReceived(int channelIndex) {
  SetChannelMark(channelIndex, false);
}

void TForm1::SetChannelMark(int channelIndex, bool marked) {
  if (std::exchange(FMarked.at(static_cast<std::size_t>(channelIndex)), marked) == marked) {
    return;
  }
  ShowChannelMark(channelIndex);
  // The caption follows unless it shows something else for now (a byte count, a dump sent).
  if (channelIndex == CurrentChannelIndex() && windowTitle() == FCaptionShown) {
    ShowCaption(FCaption);
  }
}

void TForm1::ShowChannelMark(int channelIndex) {
  QRadioButton* button = channel->Button(channelIndex);
  const bool marked = ChannelMarked(channelIndex);
  button->setText(QString::number(channelIndex + 1) + (marked ? kButtonMark : QString()));
  button->setToolTip(marked ? kMarkedTip : QString());
  // Only the text's colour is set; everything else still comes from the group.
  QPalette palette;
  if (marked) {
    palette.setColor(button->foregroundRole(), kMarkedColour);
  }
  button->setPalette(palette);
}

// The mark follows the name itself, not the spaces that pad it to its sixteen characters.
void TForm1::ShowCaption(const QString& text) {
  const bool marked = ChannelMarked(CurrentChannelIndex());
  FCaption = text;
  FCaptionShown = text;
  if (marked) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ') {
      --end;
    }
    FCaptionShown.insert(end, kModifiedPlaceholder);
  }
  setWindowTitle(FCaptionShown);
  setWindowModified(marked);
}

}  // namespace morvane::editor
