#include "channel_marks.h"

#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include "channel_owner.h"
#include "radio_group.h"

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

TChannelMarks::TChannelMarks(TChannelOwner& channels, TRadioGroup& channelButtons, QWidget& window)
    : FChannels(channels), FButtons(channelButtons), FWindow(window) {
  channelButtons.setMarkRoom(kButtonMark);
  channels.observers.markChanged.push_back(
      [this](int channelIndex, bool marked) { ShowMark(channelIndex, marked); });
}

void TChannelMarks::ShowMark(int channelIndex, bool marked) {
  QRadioButton* button = FButtons.Button(channelIndex);
  button->setText(QString::number(channelIndex + 1) + (marked ? kButtonMark : QString()));
  button->setToolTip(marked ? kMarkedTip : QString());
  // Only the text's colour is set; everything else still comes from the group.
  QPalette palette;
  if (marked) {
    palette.setColor(button->foregroundRole(), kMarkedColour);
  }
  button->setPalette(palette);
  // The caption follows unless it shows something else for now (a byte count, a dump sent).
  if (channelIndex == FButtons.ItemIndex() && FWindow.windowTitle() == FCaptionShown) {
    ShowCaption(FCaption);
  }
}

void TChannelMarks::SetCaptionNote(const QString& note) {
  FNote = note;
  ShowCaption(FCaption);
}

// The mark follows the name itself, not the spaces that pad it to its sixteen characters.
void TChannelMarks::ShowCaption(const QString& text) {
  const bool marked = FChannels.Marked(FButtons.ItemIndex());
  FCaption = text;
  FCaptionShown = text;
  qsizetype end = text.size();
  while (end > 0 && text.at(end - 1) == u' ') {
    --end;
  }
  if (marked) {
    FCaptionShown.insert(end, kModifiedPlaceholder);
  }
  if (!FNote.isEmpty()) {
    // Right after the name and its mark, not after the spaces that pad it.
    FCaptionShown = FCaptionShown.left(end + (marked ? kModifiedPlaceholder.size() : 0)) + FNote;
  }
  FWindow.setWindowTitle(FCaptionShown);
  FWindow.setWindowModified(marked);
}

}  // namespace morvane::editor
