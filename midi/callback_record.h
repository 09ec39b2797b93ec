#pragma once

#include <atomic>

#include "midi/event_ring.h"
#include "midi/locked_block.h"
#include "midi/notify_window.h"

namespace morvane::midi {

// Instance data handed to the driver with each open; read by DriverCallback on the
// driver thread. The output port leaves ring null and sysexOnly false.
struct CallbackRecord {
  BlockHandle ownHandle = kNoBlock;
  std::atomic<EventRing*> ring{nullptr};
  NotifyWindow* window = nullptr;
  std::atomic<bool> sysexOnly{false};
};

// Makes a record in a locked block (null when none can be had) and frees it.
CallbackRecord* MakeCallbackRecord() noexcept;
void FreeCallbackRecord(CallbackRecord* record) noexcept;

// The one callback of both ports.
void DriverCallback(DeviceHandle device, std::uint32_t message, std::uintptr_t instance,
                    std::uintptr_t param1, std::uintptr_t param2);

}  // namespace morvane::midi
