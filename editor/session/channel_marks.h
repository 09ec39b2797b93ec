#pragma once

#include <QString>

class QWidget;

namespace morvane::editor {

class TChannelOwner;
class TRadioGroup;

// Shows the channel owner's "module may differ" marks: a "*" on each marked channel's button,
// and Qt's modified mark in the window's caption while the channel on show is marked.
class TChannelMarks final {
 public:
  TChannelMarks(TChannelOwner& channels, TRadioGroup& channelButtons, QWidget& window);

  // The caption of the channel on show: text, with the modified mark while it is marked.
  void ShowCaption(const QString& text);
  // Text that follows every caption shown from now on.
  void SetCaptionNote(const QString& note);

 private:
  void ShowMark(int channelIndex, bool marked);

  TChannelOwner& FChannels;
  TRadioGroup& FButtons;
  QWidget& FWindow;
  QString FCaption;
  QString FCaptionShown;
  QString FNote;
};

}  // namespace morvane::editor
