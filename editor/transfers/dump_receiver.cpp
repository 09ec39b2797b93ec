#include <algorithm>
#include <cstddef>
#include <span>

#include "tform1.h"
#include "transfer_owner.h"

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
    FTransfers->Receive(std::span(event->SysexData).first(count));
  }
  FTransfers->ReceivedBatch();
}

}  // namespace morvane::editor
