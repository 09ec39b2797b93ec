#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "midi/driver.h"

namespace morvane::editor::testing {

// Passes every call to the simulator's devices and keeps, in order, each SysEx string that the
// simulator accepted for output, and apart from them every message, short ones among them, in
// the order sent. The output port calls it on the GUI thread only.
class RecordingDriver final : public midi::MidiDriver {
 public:
  explicit RecordingDriver(midi::MidiDriver& devices) : devices_(devices) {}

  std::vector<std::vector<std::uint8_t>> TakeStrings() { return std::exchange(strings_, {}); }
  // From the count-th SysEx string on (1 the next), the driver refuses every string with
  // result, as a device that stops taking data does.
  void RefuseStringsFrom(std::size_t count, midi::MmResult result) {
    refuseAfter_ = offered_ + count - 1;
    refusal_ = result;
  }
  void AcceptStrings() { refuseAfter_ = SIZE_MAX; }
  std::vector<std::vector<std::uint8_t>> TakeMessages() { return std::exchange(messages_, {}); }

  midi::MmResult OutLongMsg(midi::DeviceHandle device, midi::MidiHeader& header) override {
    if (++offered_ > refuseAfter_) {
      return refusal_;
    }
    const midi::MmResult result = devices_.OutLongMsg(device, header);
    if (result == midi::kNoError) {
      strings_.emplace_back(header.lpData, header.lpData + header.dwBufferLength);
      messages_.push_back(strings_.back());
    }
    return result;
  }

  std::uint32_t OutGetNumDevs() override { return devices_.OutGetNumDevs(); }
  midi::MmResult OutGetDevCaps(std::int32_t id, midi::MidiOutCaps& caps) override {
    return devices_.OutGetDevCaps(id, caps);
  }
  midi::MmResult OutOpen(midi::DeviceHandle& device, std::int32_t id,
                         midi::DriverCallbackFn callback, std::uintptr_t instance) override {
    return devices_.OutOpen(device, id, callback, instance);
  }
  midi::MmResult OutClose(midi::DeviceHandle device) override { return devices_.OutClose(device); }
  midi::MmResult OutShortMsg(midi::DeviceHandle device, std::uint32_t message) override {
    const midi::MmResult result = devices_.OutShortMsg(device, message);
    if (result == midi::kNoError) {
      messages_.push_back({static_cast<std::uint8_t>(message),
                           static_cast<std::uint8_t>(message >> 8),
                           static_cast<std::uint8_t>(message >> 16)});
    }
    return result;
  }
  midi::MmResult OutPrepareHeader(midi::DeviceHandle device, midi::MidiHeader& header) override {
    return devices_.OutPrepareHeader(device, header);
  }
  midi::MmResult OutUnprepareHeader(midi::DeviceHandle device, midi::MidiHeader& header) override {
    return devices_.OutUnprepareHeader(device, header);
  }
  midi::MmResult OutReset(midi::DeviceHandle device) override { return devices_.OutReset(device); }
  midi::MmResult OutGetErrorText(midi::MmResult code, std::string& text) override {
    return devices_.OutGetErrorText(code, text);
  }
  std::uint32_t InGetNumDevs() override { return devices_.InGetNumDevs(); }
  midi::MmResult InGetDevCaps(std::uint32_t id, midi::MidiInCaps& caps) override {
    return devices_.InGetDevCaps(id, caps);
  }
  midi::MmResult InOpen(midi::DeviceHandle& device, std::uint32_t id,
                        midi::DriverCallbackFn callback, std::uintptr_t instance) override {
    return devices_.InOpen(device, id, callback, instance);
  }
  midi::MmResult InClose(midi::DeviceHandle device) override { return devices_.InClose(device); }
  midi::MmResult InPrepareHeader(midi::DeviceHandle device, midi::MidiHeader& header) override {
    return devices_.InPrepareHeader(device, header);
  }
  midi::MmResult InUnprepareHeader(midi::DeviceHandle device, midi::MidiHeader& header) override {
    return devices_.InUnprepareHeader(device, header);
  }
  midi::MmResult InAddBuffer(midi::DeviceHandle device, midi::MidiHeader& header) override {
    return devices_.InAddBuffer(device, header);
  }
  midi::MmResult InStart(midi::DeviceHandle device) override { return devices_.InStart(device); }
  midi::MmResult InStop(midi::DeviceHandle device) override { return devices_.InStop(device); }
  midi::MmResult InReset(midi::DeviceHandle device) override { return devices_.InReset(device); }
  midi::MmResult InGetErrorText(midi::MmResult code, std::string& text) override {
    return devices_.InGetErrorText(code, text);
  }

 private:
  midi::MidiDriver& devices_;
  std::vector<std::vector<std::uint8_t>> strings_;
  std::size_t offered_ = 0;
  std::size_t refuseAfter_ = SIZE_MAX;
  midi::MmResult refusal_ = midi::kNoError;
  std::vector<std::vector<std::uint8_t>> messages_;
};

}  // namespace morvane::editor::testing
