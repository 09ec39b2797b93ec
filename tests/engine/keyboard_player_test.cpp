#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/engine_error.h"
#include "engine_fixture.h"
#include "midi/midi_errors.h"

namespace morvane::engine::testing {
namespace {

constexpr TVirtualKey Key(char c) {
  return VirtualKeyOf(c);
}
using Notes = std::vector<int>;

using OctaveAndTransposeTest = EngineTest;

TEST_F(OctaveAndTransposeTest, KeysPlayFromOctaveThreeAndStopAtTheLimits) {
  Tap(Key('Z'));
  Tap(VK_OEM_5);
  EXPECT_EQ(NotesOn(), (Notes{36, 68}));
  EXPECT_EQ(engine.Note(), "G#4  (v" + std::to_string(Sent()[2][2]) + ")");

  Tap(VK_F4, 7);
  EXPECT_EQ(engine.Octave(), 10);
  Tap(VK_F3, 11);
  EXPECT_EQ(engine.Octave(), 0);
  Tap(Key('Z'));
  EXPECT_EQ(NotesOn().back(), 0);
}

TEST_F(OctaveAndTransposeTest, OctaveStopsAtTenHoweverOftenF4IsPressed) {
  Tap(VK_F4, 12);
  EXPECT_EQ(engine.Octave(), 10);
  Tap(Key('Z'));
  EXPECT_EQ(NotesOn(), (Notes{120}));
}

TEST_F(OctaveAndTransposeTest, FunctionKeysAndKeypadActOnThePressOnly) {
  struct Case {
    TVirtualKey key;
    int octave;
    int transpose;
    TPlayMode mode;
  };
  const Case cases[] = {
      {VK_F3, 2, 0, pmNote}, {VK_F4, 4, 0, pmNote},          {VK_F7, 3, -1, pmNote},
      {VK_F8, 3, 1, pmNote}, {VK_NUMPAD3, 3, 0, pmMajor7th},
  };
  for (const Case& test : cases) {
    engine.SetOctave(3);
    engine.StepTranspose(TMIDIappUtil::TStep::Up);
    engine.StepTranspose(TMIDIappUtil::TStep::Down);
    engine.SetPlaymode(pmNote);
    engine.KeyUp(test.key);
    EXPECT_EQ(engine.Octave(), 3) << "release of key " << test.key;
    EXPECT_EQ(engine.Transpose(), 0) << "release of key " << test.key;
    EXPECT_EQ(engine.Playmode(), pmNote) << "release of key " << test.key;
    Press(test.key);
    EXPECT_EQ(engine.Octave(), test.octave) << "press of key " << test.key;
    EXPECT_EQ(engine.Transpose(), test.transpose) << "press of key " << test.key;
    EXPECT_EQ(engine.Playmode(), test.mode) << "press of key " << test.key;
    if (test.transpose != 0) {
      engine.StepTranspose(test.transpose > 0 ? TMIDIappUtil::TStep::Down
                                              : TMIDIappUtil::TStep::Up);
    }
  }
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OctaveAndTransposeTest, TransposeStaysWithinAnOctaveEachWay) {
  Tap(VK_F7, 20);
  EXPECT_EQ(engine.Transpose(), -12);
  Tap(Key('Z'));
  Tap(VK_F8, 25);
  EXPECT_EQ(engine.Transpose(), 12);
  Tap(Key('Z'));
  EXPECT_EQ(NotesOn(), (Notes{24, 48}));
}

using ChordTest = EngineTest;

TEST_F(ChordTest, MajorChordSendsFourNotesLowestFirstWithTheirOwnVelocities) {
  Press(VK_NUMPAD1);
  ASSERT_EQ(engine.Playmode(), pmMajor);
  bool velocitiesDiffer = false;
  for (int i = 0; i < 10; ++i) {
    Tap(Key('Z'));
    const auto sent = Sent();
    const auto chord = std::vector<ShortMessage>(sent.end() - 8, sent.end() - 4);
    EXPECT_EQ(chord[0][0], 0x90);
    EXPECT_EQ((Notes{chord[0][1], chord[1][1], chord[2][1], chord[3][1]}), (Notes{36, 40, 43, 48}));
    velocitiesDiffer = velocitiesDiffer || chord[0][2] != chord[1][2] || chord[1][2] != chord[3][2];
  }
  EXPECT_TRUE(velocitiesDiffer);
  EXPECT_EQ(engine.Note(), "C2 E2 G2 C3 ");
  EXPECT_EQ(NotesOff().size(), 40u);
}

TEST_F(ChordTest, EveryModePlaysItsNotesAndNamesThem) {
  struct Case {
    TPlayMode mode;
    Notes notes;
    std::string text;
  };
  const std::vector<Case> cases = {
      {pmNote, {36}, "C2  (v97)"},
      {pmMajor, {36, 40, 43, 48}, "C2 E2 G2 C3 "},
      {pmMinor, {36, 39, 43, 48}, "C2 D#2 G2 C3 "},
      {pmMajor7th, {36, 40, 43, 47}, "C2 E2 G2 B2 "},
      {pmMinor7th, {36, 39, 43, 47}, "C2 D#2 G2 B2 "},
      {pmMinor7th5, {36, 39, 42, 47}, "C2 D#2 F#2 B2 "},
      {pmDiminished, {36, 39, 42, 46}, "C2 D#2 F#2 A#2 "},
      {pmDominant7th, {36, 40, 43, 46}, "C2 E2 G2 A#2 "},
      {pmMajor9th, {36, 40, 43, 47, 50}, "C2 E2 G2 B2 D3 "},
      {pmMinor9th, {36, 39, 43, 46, 50}, "C2 D#2 G2 A#2 D3 "},
      {pm2nd, {36, 38}, "C2 2nd"},
      {pm3rd, {36, 40}, "C2 3rd"},
      {pm4th, {36, 41}, "C2 4th"},
      {pm5th, {36, 43}, "C2 5th"},
      {pm6th, {36, 45}, "C2 6th"},
      {pm7th, {36, 47}, "C2 7th"},
      {pm8th, {36, 48}, "C2 C3 "},
  };
  ASSERT_EQ(cases.size(), static_cast<std::size_t>(kPlayModeCount));
  engine.SetVelRnd(0);
  for (const Case& test : cases) {
    engine.SetPlaymode(test.mode);
    const std::size_t before = NotesOn().size();
    Tap(Key('Z'));
    const Notes on = NotesOn();
    const Notes off = NotesOff();
    EXPECT_EQ(Notes(on.begin() + static_cast<std::ptrdiff_t>(before), on.end()), test.notes)
        << "mode " << static_cast<int>(test.mode);
    EXPECT_EQ(Notes(off.begin() + static_cast<std::ptrdiff_t>(before), off.end()), test.notes)
        << "mode " << static_cast<int>(test.mode);
    EXPECT_EQ(engine.Note(), test.text) << "mode " << static_cast<int>(test.mode);
  }
}

TEST_F(ChordTest, KeypadDigitsSelectTheChordModes) {
  Press(VK_NUMPAD9);
  Tap(Key('Z'));
  EXPECT_EQ(NotesOn(), (Notes{36, 39, 43, 46, 50}));
  EXPECT_EQ(engine.Note(), "C2 D#2 G2 A#2 D3 ");
  Press(VK_NUMPAD0);
  EXPECT_EQ(engine.Playmode(), pmNote);
}

TEST_F(ChordTest, IntervalModesNameTheKeyAndTheInterval) {
  engine.SetPlaymode(pm5th);
  Tap(Key('S'));
  EXPECT_EQ(NotesOn(), (Notes{37, 44}));
  EXPECT_EQ(engine.Note(), "C#2 5th");
  engine.SetPlaymode(pm8th);
  Tap(Key('S'));
  EXPECT_EQ(engine.Note(), "C#2 C#3 ");
  EXPECT_THROW(engine.SetPlaymode(static_cast<TPlayMode>(17)), EEngineError);
  EXPECT_EQ(engine.Playmode(), pm8th);
}

using VelocityTest = EngineTest;

TEST_F(VelocityTest, NoSpreadPlaysTheVelocityAndShowsIt) {
  engine.SetVelRnd(0);
  for (TVirtualKey key : {Key('Z'), Key('Q'), VK_OEM_PLUS}) {
    Tap(key);
  }
  for (const ShortMessage& message : Sent()) {
    if (message[0] == 0x90) {
      EXPECT_EQ(message[2], 97);
    }
  }
  EXPECT_EQ(engine.Note(), "F#4  (v97)");
}

TEST_F(VelocityTest, SpreadStaysWithinTheDataByteRange) {
  struct Case {
    int velocity;
    int low;
    int high;
  };
  // 0 and 200 are outside what the window offers; they still give usable bytes.
  for (const Case c : {Case{125, 116, 127}, Case{3, 1, 12}, Case{0, 1, 9}, Case{200, 127, 127}}) {
    engine.SetVelocity(c.velocity);
    int lowest = 128;
    int highest = 0;
    for (int i = 0; i < 400; ++i) {
      const int velocity = engine.RandomVelocity();
      lowest = std::min(lowest, velocity);
      highest = std::max(highest, velocity);
    }
    EXPECT_EQ(lowest, c.low) << "velocity " << c.velocity;
    EXPECT_EQ(highest, c.high) << "velocity " << c.velocity;
  }
}

TEST_F(VelocityTest, EveryStartDrawsTheSameVelocities) {
  TMIDIappUtil other{prompt, gui};
  std::vector<int> first;
  std::vector<int> second;
  for (int i = 0; i < 50; ++i) {
    first.push_back(engine.RandomVelocity());
    second.push_back(other.RandomVelocity());
  }
  EXPECT_EQ(first, second);
  EXPECT_GT(std::count(first.begin(), first.end(), 97), 0);
  EXPECT_LT(std::count(first.begin(), first.end(), 97), 50);
}

using HeldKeyTest = EngineTest;

TEST_F(HeldKeyTest, AutoRepeatPlaysOnceAndTheReleaseSilencesOnce) {
  for (int i = 0; i < 6; ++i) {
    Press(Key('Z'));
  }
  engine.KeyUp(Key('Z'));
  engine.KeyUp(Key('Z'));
  EXPECT_EQ(NotesOn(), (Notes{36}));
  EXPECT_EQ(NotesOff(), (Notes{36}));
}

TEST_F(HeldKeyTest, TwoKeysOfOneOffsetShareTheirHeldFlag) {
  Press(Key('Q'));
  Press(VK_OEM_COMMA);
  engine.KeyUp(VK_OEM_COMMA);
  engine.KeyUp(Key('Q'));
  EXPECT_EQ(NotesOn(), (Notes{48}));
  EXPECT_EQ(NotesOff(), (Notes{48}));
}

TEST_F(HeldKeyTest, CtrlAloneOrAltAloneStopsAKeyButShiftDoesNot) {
  Press(Key('Z'), TShiftState::ssCtrl);
  Press(Key('Z'), TShiftState::ssAlt);
  Press(VK_SPACE, TShiftState::ssCtrl);
  Press(VK_F4, TShiftState::ssAlt);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(engine.Octave(), 3);

  Press(Key('Z'), TShiftState::ssCtrl | TShiftState::ssShift);
  engine.KeyUp(Key('Z'));  // released while Ctrl is still held
  Press(Key('X'), TShiftState::ssShift);
  Press(Key('C'), TShiftState::ssAlt | TShiftState::ssCtrl);
  EXPECT_EQ(NotesOn(), (Notes{36, 38, 40}));
  EXPECT_EQ(NotesOff(), (Notes{36}));
}

TEST_F(HeldKeyTest, ReleaseSilencesWhatTheKeyPlayedAfterSettingsChanged) {
  Press(Key('Z'));
  Press(VK_F4);
  Press(VK_F8);
  Press(VK_NUMPAD1);
  engine.SetChannel(4);
  engine.KeyUp(Key('Z'));
  ASSERT_EQ(Sent().size(), 2u);
  EXPECT_EQ(Sent()[1], (ShortMessage{0x80, 36, 0}));
  Tap(Key('Z'));
  EXPECT_EQ(NotesOff(), (Notes{36, 49, 53, 56, 61}));
  EXPECT_EQ(Sent().back()[0], 0x84);
}

TEST_F(HeldKeyTest, SustainKeySendsControllerSixtyFourOncePerHold) {
  engine.SetChannel(5);
  Press(VK_SPACE);
  Press(VK_SPACE);
  engine.SetChannel(6);
  engine.KeyUp(VK_SPACE);
  engine.KeyUp(VK_SPACE);
  EXPECT_EQ(Sent(), (std::vector<ShortMessage>{{0xB5, 64, 64}, {0xB5, 64, 0}}));
}

using SoundBehaviourTest = EngineTest;

TEST_F(SoundBehaviourTest, NotesOutsideTheMidiRangeAreLeftOutOfTheChord) {
  engine.SetOctave(10);
  Press(VK_NUMPAD1);
  Tap(Key('Z'));
  EXPECT_EQ(NotesOn(), (Notes{120, 124, 127}));
  EXPECT_EQ(NotesOff(), (Notes{120, 124, 127}));
  EXPECT_EQ(engine.Note(), "C9 E9 G9 C10 ");

  engine.SetOctave(0);
  Tap(VK_F7, 12);
  Tap(Key('Z'));
  Tap(Key('Q'));
  EXPECT_EQ(NotesOn(), (Notes{120, 124, 127, 0, 0, 4, 7, 12}));
  for (const ShortMessage& message : Sent()) {
    EXPECT_LT(message[1], 0x80);
    EXPECT_LT(message[2], 0x80);
  }
  EXPECT_EQ(engine.Note(), "C-1 E-1 G-1 C0 ");
}

TEST_F(SoundBehaviourTest, AChannelOutsideTheSixteenIsRefused) {
  engine.SetChannel(15);
  EXPECT_THROW(engine.SetChannel(16), EEngineError);
  EXPECT_THROW(engine.SetChannel(-1), EEngineError);
  Tap(Key('Z'));
  EXPECT_EQ(Sent()[0][0], 0x9F);
}

TEST_F(SoundBehaviourTest, AClosedPortRaisesItsErrorOutOfTheKeyPress) {
  output.ClosePort();
  EXPECT_THROW(Press(Key('Z')), midi::EmidioutputError);
  EXPECT_NO_THROW(engine.KeyUp(Key('Z')));
  EXPECT_THROW(engine.AllSoundOff(), midi::EmidioutputError);
  TMIDIappUtil unwired{prompt, gui};
  EXPECT_THROW(unwired.KeyDown(Key('Z'), {}), EEngineError);
}

using PanicTest = EngineTest;

TEST_F(PanicTest, AllSoundOffReachesEveryChannelInOrderAndKeepsHeldKeys) {
  Press(Key('Z'));
  engine.AllSoundOff();
  engine.KeyUp(Key('Z'));
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 18u);
  for (int channel = 0; channel < 16; ++channel) {
    EXPECT_EQ(sent[1 + channel], (ShortMessage{static_cast<std::uint8_t>(0xB0 + channel), 120, 0}));
  }
  EXPECT_EQ(sent.back(), (ShortMessage{0x80, 36, 0}));
}

using DeviceListTest = EngineTest;

TEST_F(DeviceListTest, OutputListNamesEachDeviceAndLeavesTheLastOpen) {
  std::vector<std::string> list{"stale"};
  engine.FillOutputList(list);
  EXPECT_EQ(list, (std::vector<std::string>{" Morvane Simulator", " Second Synth"}));
  EXPECT_EQ(output.DeviceID(), 1);
  EXPECT_EQ(output.State(), midi::mosOpen);
}

TEST_F(DeviceListTest, InputListLeavesThePortClosedOnTheLastDevice) {
  std::vector<std::string> list;
  engine.FillInputList(list);
  EXPECT_EQ(list, (std::vector<std::string>{"  Input A", "  Input B"}));
  EXPECT_EQ(input.DeviceID(), 1);
  EXPECT_EQ(input.State(), midi::misClosed);
}

TEST_F(DeviceListTest, ACapabilitiesErrorStopsTheListWithThePortsError) {
  std::vector<std::string> list{"stale"};
  driver.Fail(midi::ScriptedDriver::Call::OutGetDevCaps, midi::kNoDriver, 1);
  EXPECT_THROW(engine.FillOutputList(list), midi::EmidioutputError);
  EXPECT_TRUE(list.empty());
  driver.Fail(midi::ScriptedDriver::Call::InGetDevCaps, midi::kNoDriver, 1);
  EXPECT_THROW(engine.FillInputList(list), midi::EMidiInputError);
  EXPECT_TRUE(list.empty());
}

using AskUserTest = EngineTest;

TEST_F(AskUserTest, KindOneAsksYesOrNoAndEveryOtherKindInforms) {
  prompt.answers = {false, true, true};
  EXPECT_FALSE(engine.AskUser("copy?", 1));
  EXPECT_TRUE(engine.AskUser("About", 0));
  EXPECT_TRUE(engine.AskUser("odd", 7));
  ASSERT_EQ(prompt.asked.size(), 3u);
  EXPECT_EQ(prompt.asked[0], (std::pair<std::string, TAskKind>{"copy?", TAskKind::Question}));
  EXPECT_EQ(prompt.asked[1].second, TAskKind::Information);
  EXPECT_EQ(prompt.asked[2].second, TAskKind::Information);
}

}  // namespace
}  // namespace morvane::engine::testing
