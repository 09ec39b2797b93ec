#include <algorithm>
#include <cstddef>
#include <span>

#include "dump_watch.h"
#include "preset/dump_layout.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

// The most bytes one input event adds to the receive buffer.
constexpr std::size_t kMaxBytesPerEvent = 2000;

}  // namespace

void TForm1::MidiInput1MidiInput() {
  while (MidiInput1.PendingCount() > 0) {
    const std::unique_ptr<midi::TMyMidiEvent> event = MidiInput1.TakeEvent();
    if (!event) {
      break;
    }
    const std::size_t count = std::min(
        {static_cast<std::size_t>(event->SysexSize), event->SysexData.size(), kMaxBytesPerEvent});
    receiveBuffer.Seek(static_cast<std::ptrdiff_t>(receiveBuffer.Size()));
    receiveBuffer.WriteBuffer(std::span(event->SysexData).first(count));
  }
  setWindowTitle(QString::number(receiveBuffer.Size()));
  if (RequestingAllPresets()) {
    TakeAllPresetsDump();
    return;
  }
  FDumpWatch->Received(receiveBuffer.Size());
  // Only an exact dump is taken: anything that arrives after it grows the buffer past the size
  // and is never loaded, until the next request empties the buffer.
  if (receiveBuffer.Size() == preset::kDumpSize) {
    const int channelIndex = CurrentChannelIndex();
    const preset::tMrv before = images.at(static_cast<std::size_t>(channelIndex));
    images.at(static_cast<std::size_t>(channelIndex)).LoadPresetFromStream(receiveBuffer);
    RecordPresetChange(channelIndex, before, QStringLiteral("received dump"));
    RefreshControls();
    ChannelReceived(channelIndex);
  }
}

}  // namespace morvane::editor
