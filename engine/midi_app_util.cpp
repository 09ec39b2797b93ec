#include "engine/midi_app_util.h"

#include <algorithm>
#include <utility>

#include "engine/engine_error.h"

namespace morvane::engine {
namespace {

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kSustainController = 64;
constexpr std::uint8_t kSustainOn = 64;
constexpr std::uint8_t kSustainOff = 0;
constexpr std::uint8_t kAllSoundOffController = 120;
constexpr int kSemitonesPerOctave = 12;
constexpr int kLowestNote = 0;
constexpr int kHighestNote = 127;
constexpr int kLowestVelocity = 1;
constexpr int kHighestVelocity = 127;

bool IsMidiNote(int note) {
  return note >= kLowestNote && note <= kHighestNote;
}

void CheckKeyOffset(int keyOffset) {
  if (keyOffset < 0 || keyOffset >= kKeyOffsetCount) {
    throw EEngineError("Invalid key offset " + std::to_string(keyOffset));
  }
}

}  // namespace

TMIDIappUtil::TMIDIappUtil(TUserPrompt& prompt, midi::GuiThread& gui)
    : FPrompt(prompt), FSender(gui) {}

void TMIDIappUtil::SetChannel(int channelIndex) {
  if (channelIndex < 0 || channelIndex >= kChannelCount) {
    throw EEngineError("MIDI channel index " + std::to_string(channelIndex) + " is outside 0..15");
  }
  FChannel = channelIndex;
}

void TMIDIappUtil::SetPlaymode(TPlayMode mode) {
  if (!IsValidPlayMode(mode)) {
    throw EEngineError("Invalid play mode " + std::to_string(static_cast<int>(mode)));
  }
  FPlaymode = mode;
}

midi::TMidiOutput& TMIDIappUtil::Output() {
  if (OUTPUT == nullptr) {
    throw EEngineError("No MIDI output port");
  }
  return *OUTPUT;
}

void TMIDIappUtil::FillOutputList(std::vector<std::string>& list) {
  midi::TMidiOutput& port = Output();
  list.clear();
  for (int id = 0; id < port.DeviceCount(); ++id) {
    port.ClosePort();
    port.SetDeviceID(id);
    port.OpenPort();
    list.push_back(" " + port.ProductName());
  }
}

void TMIDIappUtil::FillInputList(std::vector<std::string>& list) {
  if (INPUT == nullptr) {
    throw EEngineError("No MIDI input port");
  }
  list.clear();
  for (int id = 0; id < INPUT->DeviceCount(); ++id) {
    INPUT->SetDeviceID(static_cast<std::uint16_t>(id));
    list.push_back("  " + INPUT->ProductName());
  }
}

void TMIDIappUtil::SendSysex(std::span<const std::uint8_t> bytes) {
  FSender.Queue({bytes.begin(), bytes.end()}, Output(), FPause);
}

int TMIDIappUtil::RandomVelocity() {
  const int direction = FRandom.Draw(FVelRnd);
  const int step = FRandom.Draw(FVelRnd);
  const int velocity = direction % 2 == 0 ? FVelocity + step : FVelocity - step;
  // Both bounds hold whatever Velocity was set to: 0 would be a note-off and
  // anything above 127 a status byte.
  return std::clamp(velocity, kLowestVelocity, kHighestVelocity);
}

void TMIDIappUtil::StepTranspose(TStep step) {
  if (step == TStep::Up && FTranspose < kTransposeLimit) {
    ++FTranspose;
  } else if (step == TStep::Down && FTranspose > -kTransposeLimit) {
    --FTranspose;
  }
}

void TMIDIappUtil::OctaveUp() {
  if (FOctave != kHighestOctave) {
    ++FOctave;
  }
}

void TMIDIappUtil::OctaveDown() {
  if (FOctave != kLowestOctave) {
    --FOctave;
  }
}

int TMIDIappUtil::KeyNote(int keyOffset) const {
  return FOctave * kSemitonesPerOctave + keyOffset + FTranspose;
}

void TMIDIappUtil::SendChannelMessage(std::uint8_t kind, int channel, std::uint8_t data1,
                                      std::uint8_t data2) {
  try {
    Output().SendShort(static_cast<std::uint8_t>(kind | channel), data1, data2);
  } catch (const midi::EmidioutputError& error) {
    if (!ExplainSendError) {
      throw;
    }
    throw EEngineError(ExplainSendError(error.what()));
  }
}

void TMIDIappUtil::PlayKey(int keyOffset) {
  CheckKeyOffset(keyOffset);
  const int keyNote = KeyNote(keyOffset);
  TSounding& sounding = FSounding[keyOffset].emplace();
  sounding.channel = FChannel;
  int firstVelocity = 0;
  bool first = true;
  for (int interval : PlayModeIntervals(FPlaymode)) {
    const int velocity = RandomVelocity();
    if (first) {
      firstVelocity = velocity;
      first = false;
    }
    const int note = keyNote + interval;
    if (!IsMidiNote(note)) {
      continue;
    }
    SendChannelMessage(kNoteOn, sounding.channel, static_cast<std::uint8_t>(note),
                       static_cast<std::uint8_t>(velocity));
    sounding.notes[sounding.count++] = static_cast<std::uint8_t>(note);
  }
  FNote = PlayModeText(FPlaymode, keyNote, firstVelocity);
}

void TMIDIappUtil::ReleaseKey(int keyOffset) {
  CheckKeyOffset(keyOffset);
  if (const std::optional<TSounding> sounding = std::exchange(FSounding[keyOffset], {})) {
    for (int i = 0; i < sounding->count; ++i) {
      SendChannelMessage(kNoteOff, sounding->channel, sounding->notes[i], 0);
    }
    return;
  }
  // A key that never played here: the notes it would play now.
  const int keyNote = KeyNote(keyOffset);
  for (int interval : PlayModeIntervals(FPlaymode)) {
    const int note = keyNote + interval;
    if (IsMidiNote(note)) {
      SendChannelMessage(kNoteOff, FChannel, static_cast<std::uint8_t>(note), 0);
    }
  }
}

void TMIDIappUtil::KeyDown(TVirtualKey key, TShiftState shift) {
  if (shift == TShiftState::ssAlt || shift == TShiftState::ssCtrl) {
    return;
  }
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
    FPlaymode = static_cast<TPlayMode>(key - VK_NUMPAD0);
  } else if (key == VK_SPACE) {
    if (!FSustainHeld) {
      FSustainHeld = true;
      FSustainChannel = FChannel;
      SendChannelMessage(kControlChange, FSustainChannel, kSustainController, kSustainOn);
    }
  } else if (const std::optional<int> offset = KeyOffsetOf(key)) {
    if (!FKeyHeld[*offset]) {
      FKeyHeld[*offset] = true;
      PlayKey(*offset);
    }
  } else if (key == VK_F3) {
    OctaveDown();
  } else if (key == VK_F4) {
    OctaveUp();
  } else if (key == VK_F7) {
    StepTranspose(TStep::Down);
  } else if (key == VK_F8) {
    StepTranspose(TStep::Up);
  }
}

void TMIDIappUtil::KeyUp(TVirtualKey key) {
  if (key == VK_SPACE) {
    if (FSustainHeld) {
      FSustainHeld = false;
      SendChannelMessage(kControlChange, FSustainChannel, kSustainController, kSustainOff);
    }
  } else if (const std::optional<int> offset = KeyOffsetOf(key)) {
    if (FKeyHeld[*offset]) {
      FKeyHeld[*offset] = false;
      ReleaseKey(*offset);
    }
  }
}

void TMIDIappUtil::AllSoundOff() {
  for (int channel = 0; channel < kChannelCount; ++channel) {
    SendChannelMessage(kControlChange, channel, kAllSoundOffController, 0);
  }
}

bool TMIDIappUtil::AskUser(const std::string& text, int kind) {
  static constexpr int kQuestionKind = 1;
  return FPrompt.Ask(text, kind == kQuestionKind ? TAskKind::Question : TAskKind::Information);
}

}  // namespace morvane::engine
