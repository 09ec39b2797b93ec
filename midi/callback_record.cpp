#include "midi/callback_record.h"

#include <new>

#include "midi/mm_result.h"

namespace morvane::midi {

namespace {
constexpr std::uintptr_t kActiveSensing = 0xFE;
constexpr std::uintptr_t kTimingClock = 0xF8;
constexpr std::uintptr_t kStampMask = 0xFFFFFFFFu;

void FileInput(const CallbackRecord& record, std::uint32_t message, std::uintptr_t param1,
               std::uintptr_t param2) noexcept {
  if (param1 == kActiveSensing || param1 == kTimingClock) {
    return;
  }
  if (message == kMimData && record.sysexOnly.load(std::memory_order_acquire)) {
    return;
  }
  EventRing* ring = record.ring.load(std::memory_order_acquire);
  if (ring == nullptr || record.window == nullptr) {
    return;
  }
  RingRecord entry;
  entry.timeStamp = static_cast<std::uint32_t>(param2 & kStampMask);
  MidiHeader* header = nullptr;
  if (message == kMimData) {
    entry.shortMessage = static_cast<std::uint32_t>(param1 & kStampMask);
  } else {
    header = reinterpret_cast<MidiHeader*>(param1);
    if (header == nullptr) {
      return;
    }
    entry.header = header;
  }
  if (ring->Push(entry)) {
    record.window->PostInput();
  } else {
    record.window->PostOverflow(header);
  }
}
}  // namespace

CallbackRecord* MakeCallbackRecord() noexcept {
  const LockedBlock block = AllocLockedBlock(sizeof(CallbackRecord));
  if (block.pointer == nullptr) {
    return nullptr;
  }
  auto* record = new (block.pointer) CallbackRecord{};
  record->ownHandle = block.handle;
  return record;
}

void FreeCallbackRecord(CallbackRecord* record) noexcept {
  if (record == nullptr) {
    return;
  }
  const BlockHandle handle = record->ownHandle;
  record->~CallbackRecord();
  FreeLockedBlock(handle);
}

void DriverCallback(DeviceHandle /*device*/, std::uint32_t message, std::uintptr_t instance,
                    std::uintptr_t param1, std::uintptr_t param2) {
  const auto* record = reinterpret_cast<const CallbackRecord*>(instance);
  if (record == nullptr) {
    return;
  }
  switch (message) {
    case kMomDone:
      if (param1 != 0 && record->window != nullptr) {
        record->window->PostDone(*reinterpret_cast<MidiHeader*>(param1));
      }
      break;
    case kDeviceLost:
      if (record->window != nullptr) {
        record->window->PostLost(static_cast<MmResult>(param1));
      }
      break;
    case kMimData:
    case kMimLongData:
    case kMimLongError:
      FileInput(*record, message, param1, param2);
      break;
    default:
      break;
  }
}

}  // namespace morvane::midi
