#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "midi/backends/virtual/virtual_backend.h"
#include "midi/callback_record.h"
#include "midi/error_texts.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"

namespace morvane::midi {
namespace {

constexpr std::chrono::seconds kPatience{10};

// An input device whose callback the benchmark calls itself, from a thread of its own
// as a driver would.
class LoopbackDriver final : public MidiDriver {
 public:
  void Callback(std::uint32_t message, std::uintptr_t param1) {
    callback_(kDevice, message, instance_, param1, 0);
  }

  std::uint32_t OutGetNumDevs() override { return 0; }
  MmResult OutGetDevCaps(std::int32_t, MidiOutCaps&) override { return kBadDeviceId; }
  MmResult OutOpen(DeviceHandle&, std::int32_t, DriverCallbackFn, std::uintptr_t) override {
    return kBadDeviceId;
  }
  MmResult OutClose(DeviceHandle) override { return kInvalidHandle; }
  MmResult OutShortMsg(DeviceHandle, std::uint32_t) override { return kInvalidHandle; }
  MmResult OutPrepareHeader(DeviceHandle, MidiHeader&) override { return kInvalidHandle; }
  MmResult OutUnprepareHeader(DeviceHandle, MidiHeader&) override { return kInvalidHandle; }
  MmResult OutLongMsg(DeviceHandle, MidiHeader&) override { return kInvalidHandle; }
  MmResult OutReset(DeviceHandle) override { return kInvalidHandle; }
  MmResult OutGetErrorText(MmResult code, std::string& text) override {
    return StandardErrorText(code, text);
  }
  std::uint32_t InGetNumDevs() override { return 1; }
  MmResult InGetDevCaps(std::uint32_t, MidiInCaps& caps) override {
    caps.productName = "Loopback";
    return kNoError;
  }
  MmResult InOpen(DeviceHandle& device, std::uint32_t, DriverCallbackFn callback,
                  std::uintptr_t instance) override {
    callback_ = callback;
    instance_ = instance;
    device = kDevice;
    return kNoError;
  }
  MmResult InClose(DeviceHandle) override { return kNoError; }
  MmResult InPrepareHeader(DeviceHandle, MidiHeader&) override { return kNoError; }
  MmResult InUnprepareHeader(DeviceHandle, MidiHeader&) override { return kNoError; }
  MmResult InAddBuffer(DeviceHandle, MidiHeader&) override { return kNoError; }
  MmResult InStart(DeviceHandle) override { return kNoError; }
  MmResult InStop(DeviceHandle) override { return kNoError; }
  MmResult InReset(DeviceHandle) override { return kNoError; }
  MmResult InGetErrorText(MmResult code, std::string& text) override {
    return StandardErrorText(code, text);
  }

 private:
  static constexpr DeviceHandle kDevice = 1;
  DriverCallbackFn callback_ = nullptr;
  std::uintptr_t instance_ = 0;
};

constexpr std::uint32_t kNoteOn = 0x643C90;

// Records pushed by the driver thread through the callback and taken with TakeEvent.
void BM_RingTransfer(benchmark::State& state) {
  constexpr std::uint16_t kCapacity = 4096;
  constexpr std::uint32_t kBatch = 1 << 16;
  constexpr std::uint32_t kPublishStep = 64;
  LoopbackDriver driver;
  QueuedGuiThread gui;
  TMidiInput input(gui, driver);
  input.SetCapacity(kCapacity);
  input.SetSysexBufferCount(0);
  input.OpenPort();
  input.StartInput();
  std::int64_t records = 0;
  for (auto _ : state) {
    std::atomic<std::uint32_t> taken{0};
    std::thread producer([&] {
      for (std::uint32_t pushed = 0; pushed < kBatch; ++pushed) {
        while (pushed - taken.load(std::memory_order_acquire) >= kCapacity) {
        }
        driver.Callback(kMimData, kNoteOn);
      }
    });
    for (std::uint32_t n = 0; n < kBatch;) {
      if (auto event = input.TakeEvent()) {
        benchmark::DoNotOptimize(event->DataByte1);
        // Published in steps, so the harness's own handshake stays out of the figure.
        if (++n % kPublishStep == 0 || n == kBatch) {
          taken.store(n, std::memory_order_release);
        }
      }
    }
    producer.join();
    records += kBatch;
    state.PauseTiming();
    gui.PumpPending();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(records);
}
BENCHMARK(BM_RingTransfer)->Unit(benchmark::kMillisecond)->UseRealTime();

// One short message from the driver thread until OnMidiInput runs on the owner thread.
void BM_CallbackToOnMidiInput(benchmark::State& state) {
  LoopbackDriver driver;
  QueuedGuiThread gui;
  TMidiInput input(gui, driver);
  input.SetSysexBufferCount(0);
  input.OpenPort();
  input.StartInput();
  bool fired = false;
  input.OnMidiInput = [&](TMidiInput& sender) {
    sender.TakeEvent();
    fired = true;
  };
  std::atomic<bool> go{false};
  std::atomic<bool> stop{false};
  std::chrono::steady_clock::time_point sentAt;
  std::thread driverThread([&] {
    for (;;) {
      while (!go.load(std::memory_order_acquire)) {
        if (stop.load(std::memory_order_acquire)) {
          return;
        }
      }
      go.store(false, std::memory_order_relaxed);
      sentAt = std::chrono::steady_clock::now();
      driver.Callback(kMimData, kNoteOn);
    }
  });
  for (auto _ : state) {
    fired = false;
    go.store(true, std::memory_order_release);
    while (!fired) {
      gui.PumpOnce(std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
    }
    const auto elapsed = std::chrono::steady_clock::now() - sentAt;
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
  }
  stop = true;
  driverThread.join();
}
BENCHMARK(BM_CallbackToOnMidiInput)->UseManualTime()->Unit(benchmark::kMicrosecond);

struct SimulatorPorts {
  SimulatorPorts() : output(gui, simulator), input(gui, simulator) {
    input.SetSysexOnly(true);
    input.SetCapacity(2048);
    input.SetSysexBufferCount(32);
    input.OnMidiInput = [this](TMidiInput& sender) {
      while (sender.PendingCount() != 0) {
        const auto event = sender.TakeEvent();
        received.insert(received.end(), event->SysexData.begin(), event->SysexData.end());
      }
    };
    output.OpenPort();
    input.OpenPort();
    input.StartInput();
  }
  VirtualBackend simulator;
  QueuedGuiThread gui;
  TMidiOutput output;
  TMidiInput input;
  std::vector<std::uint8_t> received;
};

// A dump request answered by the instant simulator until the whole dump is taken.
void BM_DumpRoundTrip(benchmark::State& state) {
  SimulatorPorts ports;
  const auto request = preset::DumpRequestMessage(preset::kEditBufferPreset);
  ports.received.reserve(preset::kDumpSize);
  for (auto _ : state) {
    ports.received.clear();
    ports.output.SendLong(request);
    ports.gui.PumpUntil([&] { return ports.received.size() >= preset::kDumpSize; },
                        std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
  }
}
BENCHMARK(BM_DumpRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

// SendLong of a whole dump returns without waiting for the transmission.
void BM_SendLongDump(benchmark::State& state) {
  SimulatorPorts ports;
  ports.output.SendLong(preset::DumpRequestMessage(preset::kEditBufferPreset));
  ports.gui.PumpUntil([&] { return ports.received.size() >= preset::kDumpSize; },
                      std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
  const std::vector<std::uint8_t> dump = ports.received;
  int sent = 0;
  for (auto _ : state) {
    ports.output.SendLong(dump);
    if (++sent % 64 == 0) {
      state.PauseTiming();
      ports.gui.PumpUntil([&] { return ports.output.PendingLongCount() == 0; },
                          std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
      state.ResumeTiming();
    }
  }
  ports.gui.PumpUntil([&] { return ports.output.PendingLongCount() == 0; },
                      std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
}
BENCHMARK(BM_SendLongDump)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace morvane::midi
