#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "engine/ask_user.h"
#include "engine/midi_app_util.h"
#include "midi/backends/scripted/scripted_driver.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"

namespace morvane::engine::testing {

using Bytes = std::vector<std::uint8_t>;
using ShortMessage = std::array<std::uint8_t, 3>;

// Answers AskUser from a script and remembers what was asked.
class ScriptedPrompt : public TUserPrompt {
 public:
  bool Ask(const std::string& text, TAskKind kind) override {
    asked.emplace_back(text, kind);
    const bool answer = answers.empty() ? true : answers.front();
    if (!answers.empty()) {
      answers.pop_front();
    }
    return answer;
  }
  std::deque<bool> answers;
  std::vector<std::pair<std::string, TAskKind>> asked;
};

// An engine wired to two ports over the scripted driver, output open on device 0.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.OUTPUT = &output;
    engine.INPUT = &input;
    ASSERT_TRUE(output.OpenPort());
  }

  // The channel messages that reached the driver, unpacked, in order.
  std::vector<ShortMessage> Sent() const {
    std::vector<ShortMessage> sent;
    for (std::uint32_t packed : driver.ShortMessages()) {
      sent.push_back({static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
                      static_cast<std::uint8_t>(packed >> 16)});
    }
    return sent;
  }

  // Note numbers of the note-ons (status 0x90..0x9F) sent so far.
  std::vector<int> NotesOn() const { return NotesWithStatus(0x90); }
  std::vector<int> NotesOff() const { return NotesWithStatus(0x80); }

  void Press(TVirtualKey key, TShiftState shift = {}) { engine.KeyDown(key, shift); }
  void Tap(TVirtualKey key, int times = 1) {
    for (int i = 0; i < times; ++i) {
      engine.KeyDown(key, {});
      engine.KeyUp(key);
    }
  }

  midi::QueuedGuiThread gui;
  midi::ScriptedDriver driver{{"Morvane Simulator", "Second Synth"}, {"Input A", "Input B"}};
  midi::TMidiOutput output{gui, driver};
  midi::TMidiInput input{gui, driver};
  ScriptedPrompt prompt;
  TMIDIappUtil engine{prompt, gui};

 private:
  std::vector<int> NotesWithStatus(std::uint8_t kind) const {
    std::vector<int> notes;
    for (const ShortMessage& message : Sent()) {
      if ((message[0] & 0xF0) == kind) {
        notes.push_back(message[1]);
      }
    }
    return notes;
  }
};

}  // namespace morvane::engine::testing
