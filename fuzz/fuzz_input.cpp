// Arbitrary driver behaviour against the input port's receive path: short messages,
// SysEx of any length split over buffers of any size, error and empty buffers, stray
// callback messages, a ring of any capacity, SysexOnly flips, restarts and takes;
// refused opens, closes, unprepares, resets and hand-backs, opens of an open port,
// a device that goes away, and a handler that destroys the port.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "midi/backends/scripted/scripted_driver.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"

namespace {

using morvane::midi::EMidiInputError;
using Call = morvane::midi::ScriptedDriver::Call;
using morvane::midi::misOpen;
using morvane::midi::QueuedGuiThread;
using morvane::midi::ScriptedDriver;
using morvane::midi::TMidiInput;

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return offset_ >= size_; }
  std::uint8_t Byte() { return Empty() ? 0 : data_[offset_++]; }
  std::uint32_t Word() {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word = (word << 8) | Byte();
    }
    return word;
  }
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    const std::size_t take = std::min(count, size_ - offset_);
    const std::span<const std::uint8_t> bytes(data_ + offset_, take);
    offset_ += take;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

enum Op : std::uint8_t {
  kShort,
  kSysex,
  kReturnError,
  kReturnEmpty,
  kStray,
  kTake,
  kPump,
  kFlipSysexOnly,
  kRestart,
  kRefuse,
  kOpenAgain,
  kUnplug,
  kDestroyFromHandler,
  kOpCount
};

// Each restart frees and makes the port's buffers, the dearest step of all; beyond a few
// an input only repeats itself, and the run would slow to a crawl.
constexpr int kMaxRestarts = 4;

constexpr Call kRefusable[] = {Call::InOpen,      Call::InClose, Call::InUnprepareHeader,
                               Call::InAddBuffer, Call::InReset, Call::InPrepareHeader,
                               Call::InStart};

// One driver for the whole run, reset before each input. Its callbacks run on this
// thread: a thread switch per delivery would cost more than the port's own work.
ScriptedDriver& Driver() {
  static ScriptedDriver driver({"Out"}, {"In", "Other"}, ScriptedDriver::CallbackThread::Caller);
  return driver;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  ScriptedDriver& driver = Driver();
  driver.Reset();
  QueuedGuiThread gui;
  auto port = std::make_unique<TMidiInput>(gui, driver);
  port->SetCapacity(static_cast<std::uint16_t>(in.Byte() % 40));
  port->SetSysexBufferSize(static_cast<std::uint16_t>(in.Byte() % 64));
  port->SetSysexBufferCount(static_cast<std::uint16_t>(in.Byte() % 8));
  int restarts = 0;
  bool destroyInHandler = false;
  bool refused = false;
  port->OnMidiInput = [&](TMidiInput& sender) {
    if (destroyInHandler) {
      port.reset();
      return;
    }
    while (sender.PendingCount() != 0) {
      const auto event = sender.TakeEvent();
      if (event->SysexSize != event->SysexData.size()) {
        __builtin_trap();
      }
    }
  };
  port->OpenPort();
  port->StartInput();
  while (!in.Empty() && port) {
    try {
      switch (in.Byte() % kOpCount) {
        case kShort:
          driver.DeliverShort(in.Word(), in.Word());
          break;
        case kSysex:
          driver.DeliverSysex(in.Bytes(in.Byte() * 2u), in.Word());
          break;
        case kReturnError:
          driver.ReturnBuffer(in.Bytes(in.Byte()), morvane::midi::kMimLongError);
          break;
        case kReturnEmpty:
          driver.ReturnBuffer({});
          break;
        case kStray: {
          // Header-carrying messages with no header, messages the port ignores, and a device
          // that goes away, which the port reports as an error where nobody listens for it.
          const std::uint32_t message = in.Word();
          if (message == morvane::midi::kDeviceLost) {
            refused = true;
          }
          driver.DeliverRaw(message, 0, in.Word());
          break;
        }
        case kTake:
          port->TakeEvent();
          break;
        case kPump:
          gui.PumpPending();
          break;
        case kFlipSysexOnly:
          port->SetSysexOnly(!port->SysexOnly());
          break;
        case kRestart:
          if (++restarts > kMaxRestarts) {
            break;
          }
          port->ClosePort();
          port->OpenPort();
          port->StartInput();
          break;
        case kRefuse: {
          const Call call = kRefusable[in.Byte() % std::size(kRefusable)];
          driver.Fail(call, morvane::midi::kGeneralError, 1 + in.Byte() % 3);
          refused = true;
          break;
        }
        case kOpenAgain:
          port->OpenPort();
          break;
        case kUnplug:
          driver.UnplugInput();
          refused = true;
          break;
        case kDestroyFromHandler:
          destroyInHandler = true;
          break;
        default:
          break;
      }
    } catch (const EMidiInputError&) {
      // A scripted refusal, reported by the port; before any, nothing may raise.
      if (!refused) {
        __builtin_trap();
      }
    }
  }
  try {
    gui.PumpPending();
  } catch (const EMidiInputError&) {
    if (!refused) {
      __builtin_trap();
    }
  }
  // Once everything is taken, every buffer of the pool is back with the driver.
  if (port && !refused && port->State() == misOpen && port->SysexBufferSize() > 0 &&
      driver.QueuedInputBuffers() != port->SysexBufferCount()) {
    __builtin_trap();
  }
  port.reset();
  // Frees within the input what the input made, so that libFuzzer's leak check stays quiet.
  driver.Reset();
  return 0;
}
