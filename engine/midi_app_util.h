#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/ask_user.h"
#include "engine/key_codes.h"
#include "engine/key_map.h"
#include "engine/play_mode.h"
#include "engine/sysex_sender.h"
#include "engine/velocity_random.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"

namespace morvane::engine {

// The notes a key offset has sent, so that its release silences exactly them.
struct TSounding {
  int channel = 0;
  int count = 0;
  std::array<std::uint8_t, kMaxChordNotes> notes{};
};

// Stands between the window and the two MIDI ports: device lists, SysEx sending,
// the computer-keyboard player, panic, message boxes. It uses the ports but does
// not own them. Everything runs on the GUI thread. The window previews every key
// and forwards presses to KeyDown and releases to KeyUp as Windows key codes.
class TMIDIappUtil {
 public:
  enum TSynth : std::uint8_t { synMorvane, synGeneric };
  enum class TStep { Down, Up };

  static constexpr int kChannelCount = 16;
  static constexpr int kLowestOctave = 0;
  static constexpr int kHighestOctave = 10;
  static constexpr int kTransposeLimit = 12;

  // prompt shows AskUser's boxes (the window); gui is the thread that owns the ports.
  TMIDIappUtil(TUserPrompt& prompt, midi::GuiThread& gui);

  midi::TMidiOutput* OUTPUT = nullptr;
  midi::TMidiInput* INPUT = nullptr;

  const std::string& Note() const { return FNote; }
  int Channel() const { return FChannel; }
  // A channel index outside 0..15 would make the status byte of another kind of
  // message, so it is refused.
  void SetChannel(int channelIndex);
  int Octave() const { return FOctave; }
  void SetOctave(int octave) { FOctave = octave; }
  int Velocity() const { return FVelocity; }
  void SetVelocity(int velocity) { FVelocity = velocity; }
  int VelRnd() const { return FVelRnd; }
  void SetVelRnd(int velRnd) { FVelRnd = velRnd; }
  TPlayMode Playmode() const { return FPlaymode; }
  void SetPlaymode(TPlayMode mode);
  bool Pause() const { return FPause; }
  void SetPause(bool pause) { FPause = pause; }
  int Transpose() const { return FTranspose; }
  const std::string& Wavelist() const { return FWavelist; }
  void SetWavelist(const std::string& wavelist) { FWavelist = wavelist; }
  TSynth Synth() const { return FSynth; }
  void SetSynth(TSynth synth) { FSynth = synth; }

  // Entry i names device i. The output port is left open on the last device and
  // the input port closed on the last one; a capabilities error stops the filling.
  void FillOutputList(std::vector<std::string>& list);
  void FillInputList(std::vector<std::string>& list);

  // Returns at once; the string goes to OUTPUT on the GUI thread afterwards.
  void SendSysex(std::span<const std::uint8_t> bytes);
  TSysexSender& SysexSender() { return FSender; }

  int RandomVelocity();
  void StepTranspose(TStep step);
  void OctaveUp();
  void OctaveDown();
  // Note-ons of the play mode's notes above the key's note, each with its own
  // velocity; notes outside 0..127 are left out but still named in Note.
  void PlayKey(int keyOffset);
  // Note-offs of exactly what the key's PlayKey sent, on its channel, whatever
  // octave, transpose, mode or channel changed since.
  void ReleaseKey(int keyOffset);
  void KeyDown(TVirtualKey key, TShiftState shift);
  void KeyUp(TVirtualKey key);
  void AllSoundOff();
  // kind 1 asks Yes/No; 0 and every other kind shows an information box.
  bool AskUser(const std::string& text, int kind);

  // Words for the output port's refusal of a note, controller or panic message, given the
  // driver's text; the owner can say which device is closed and what to do. Unassigned, the
  // port's error is raised as it is.
  std::function<std::string(const std::string& driverText)> ExplainSendError;

 private:
  int KeyNote(int keyOffset) const;
  midi::TMidiOutput& Output();
  void SendChannelMessage(std::uint8_t kind, int channel, std::uint8_t data1, std::uint8_t data2);

  TUserPrompt& FPrompt;
  TSysexSender FSender;
  TVelocityRandom FRandom;
  TPlayMode FPlaymode = pmNote;
  std::string FNote;
  std::array<bool, kKeyOffsetCount> FKeyHeld{};
  std::array<std::optional<TSounding>, kKeyOffsetCount> FSounding{};
  bool FSustainHeld = false;
  int FSustainChannel = 0;
  bool FPause = false;
  int FOctave = 3;
  int FVelocity = 97;
  int FChannel = 0;
  int FTranspose = 0;
  int FVelRnd = 10;
  std::string FWavelist;
  TSynth FSynth = synMorvane;
};

}  // namespace morvane::engine
