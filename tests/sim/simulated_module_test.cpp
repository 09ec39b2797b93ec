#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "preset/initial_preset.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"
#include "sim/simulated_module.h"

namespace morvane::sim {
namespace {

using preset::Bytes;
using preset::GroupOf;

Bytes Joined(const std::vector<Message>& messages) {
  Bytes all;
  for (const Message& m : messages) {
    all.insert(all.end(), m.begin(), m.end());
  }
  return all;
}

Bytes Request(SimulatedModule& module, int presetNumber) {
  return Joined(module.Receive(preset::DumpRequestMessage(presetNumber)));
}

void Send(SimulatedModule& module, const std::vector<Bytes>& messages) {
  for (const Bytes& m : messages) {
    EXPECT_TRUE(module.Receive(m).empty());
  }
}

void SendEdit(SimulatedModule& module, preset::ParamNumber param, int layer, int channelIndex,
              int value, bool bfTicked) {
  const auto strings = preset::SendParameterMessages(param, layer, channelIndex, value, bfTicked);
  Send(module, {strings.begin(), strings.end()});
}

TEST(SimulatedDumpRequest, AnswersAHeaderAndSevenPacketsOfTheInitialPreset) {
  SimulatedModule module;
  const std::vector<Message> replies = module.Receive(preset::DumpRequestMessage(-1));
  ASSERT_EQ(replies.size(), 8u);
  EXPECT_EQ(replies[0].size(), 36u);
  for (std::size_t k = 1; k <= 6; ++k) {
    EXPECT_EQ(replies[k].size(), 255u);
  }
  EXPECT_EQ(replies[7].size(), 39u);
  for (const Message& m : replies) {
    EXPECT_EQ(m.front(), 0xF0);
    EXPECT_EQ(m.back(), 0xF7);
  }
  EXPECT_EQ(Joined(replies), preset::BuildInitialPreset());
}

TEST(SimulatedDumpRequest, NamesTheRequestedPresetInBytesSevenAndEight) {
  SimulatedModule module;
  const Bytes dump = Request(module, 5);
  ASSERT_EQ(dump.size(), 1605u);
  EXPECT_EQ(dump[7], 0x05);
  EXPECT_EQ(dump[8], 0x00);
  EXPECT_EQ(Request(module, 15)[7], 0x0F);
  EXPECT_TRUE(module.Receive(preset::DumpRequestMessage(16)).empty());
  EXPECT_EQ(module.MalformedCount(), 1u);
}

TEST(SimulatedDumpRequest, ASilentPresetIsNotSentUntilItSpeaksAgain) {
  SimulatedModule module;
  module.SetSilent(4, true);
  EXPECT_TRUE(module.Receive(preset::DumpRequestMessage(4)).empty());
  EXPECT_EQ(Request(module, 5).size(), 1605u);
  module.SetSilent(4, false);
  EXPECT_EQ(Request(module, 4).size(), 1605u);
  EXPECT_EQ(module.MalformedCount(), 0u);
}

TEST(SimulatedEdits, LayerEditLandsInTheSelectedPresetAndLayer) {
  SimulatedModule module;
  SendEdit(module, {0x02, 0x0B}, 2, 3, -6, false);
  EXPECT_EQ(module.SelectedPreset(), 3);
  EXPECT_EQ(module.SelectedLayerIndex(), 1);
  const Bytes dump = Request(module, 3);
  // Layer 2's 0B:02 is payload 546..547, in the third packet.
  EXPECT_EQ(dump[45 + 255 * 2 + (546 - 488)], 0x7A);
  EXPECT_EQ(dump[45 + 255 * 2 + (547 - 488)], 0x7F);
  EXPECT_EQ(Request(module, -1), preset::BuildInitialPreset());
  EXPECT_EQ(module.MalformedCount(), 0u);
}

TEST(SimulatedEdits, CommonEditAndNameCharacters) {
  SimulatedModule module;
  SendEdit(module, {0x13, 0x07}, 0, 0, 200, true);
  EXPECT_EQ(module.SelectedLayerIndex(), -1);
  Send(module, preset::RenameMessages("Bass:Deep", -1));
  preset::tMrv image;
  image.LoadPresetFromBytes(Request(module, -1));
  EXPECT_EQ(image.ReadParam(GroupOf(0x07), 0x13, 0), 200);
  // The module stores every character, the fourth included.
  EXPECT_EQ(image.ReadName(), "Bass:Deep       ");
}

TEST(SimulatedEdits, OutOfRangeSelectionsAndAddressesAreCountedAndIgnored) {
  SimulatedModule module;
  SendEdit(module, {0x02, 0x0B}, 1, 0, 9, true);
  Send(module, {preset::PresetSelectMessage(16), preset::LayerSelectMessage(4),
                preset::ParameterEditMessage({0x49, 0x0F}, 1)});
  EXPECT_EQ(module.SelectedPreset(), -1);
  EXPECT_EQ(module.SelectedLayerIndex(), 0);
  EXPECT_EQ(module.MalformedCount(), 2u);
  Send(module, {preset::LayerSelectMessage(3), preset::ParameterEditMessage({0x49, 0x0F}, 1)});
  EXPECT_EQ(module.MalformedCount(), 3u);
  preset::tMrv image;
  image.LoadPresetFromBytes(Request(module, -1));
  EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x02, 1), 9);
}

TEST(SimulatedDumpStore, AWholeDumpGoesToThePresetItsHeaderNames) {
  SimulatedModule module;
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  image.WriteParam(GroupOf(0x0F), 0x48, 4, -77);
  image.SetPresetNumber(7);
  const Bytes sent = image.BuildDump();
  EXPECT_TRUE(module.Receive(sent).empty());
  EXPECT_EQ(Request(module, 7), sent);
  EXPECT_EQ(Request(module, -1), preset::BuildInitialPreset());

  // The same dump one byte at a time, this time into the edit buffer.
  image.SetPresetNumber(-1);
  const Bytes toBuffer = image.BuildDump();
  for (std::uint8_t byte : toBuffer) {
    module.Receive(std::span(&byte, 1));
  }
  EXPECT_EQ(Request(module, -1), toBuffer);
  EXPECT_EQ(module.MalformedCount(), 0u);
}

TEST(SimulatedDumpStore, AnInterruptedOrMisnumberedDumpChangesNothing) {
  SimulatedModule module;
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  image.WriteName("Changed");
  image.SetPresetNumber(2);
  Bytes dump = image.BuildDump();

  // Cut after the third packet, then a mute arrives.
  Bytes cut(dump.begin(), dump.begin() + 36 + 3 * 255);
  module.Receive(cut);
  module.Receive(preset::LayerMuteMessage(0));
  EXPECT_TRUE(module.IsMuted(0));
  EXPECT_EQ(module.MalformedCount(), 1u);
  EXPECT_EQ(Request(module, 2)[45], 'I');

  image.SetPresetNumber(16);
  module.Receive(image.BuildDump());
  EXPECT_EQ(module.MalformedCount(), 2u);
  for (int n = -1; n < 16; ++n) {
    ASSERT_EQ(Request(module, n)[45], 'I') << n;
  }
}

TEST(SimulatedLayers, CopyTakesTheWholeLayerBlockAndMutesAreKept) {
  SimulatedModule module;
  SendEdit(module, {0x48, 0x0F}, 1, 0, 55, true);
  SendEdit(module, {0x01, 0x0B}, 1, 0, 12, true);
  module.Receive(preset::LayerCopyMessage(-1, 0, 4, 2));
  preset::tMrv target;
  target.LoadPresetFromBytes(Request(module, 4));
  EXPECT_EQ(target.ReadParam(GroupOf(0x0F), 0x48, 3), 55);
  EXPECT_EQ(target.ReadParam(GroupOf(0x0B), 0x01, 3), 12);
  EXPECT_EQ(target.ReadParam(GroupOf(0x0B), 0x01, 1), 1);

  module.Receive(preset::LayerMuteMessage(3));
  module.Receive(preset::LayerMuteMessage(1));
  module.Receive(preset::LayerUnmuteMessage(3));
  EXPECT_FALSE(module.IsMuted(0));
  EXPECT_TRUE(module.IsMuted(1));
  EXPECT_FALSE(module.IsMuted(3));

  module.Receive(preset::LayerMuteMessage(4));
  module.Receive(preset::LayerCopyMessage(-1, 4, -1, 0));
  EXPECT_EQ(module.MalformedCount(), 2u);
}

TEST(SimulatedRobustness, ForeignUnknownAndBrokenMessagesAreCountedNotApplied) {
  SimulatedModule module;
  const Bytes foreign{0xF0, 0x43, 0x10, 0x4C, 0x00, 0xF7};
  const Bytes unknownCommand{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x77, 0x00, 0xF7};
  const Bytes shortEdit{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x13, 0x07, 0xF7};
  const Bytes truncated{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01};
  module.Receive(foreign);
  module.Receive(unknownCommand);
  module.Receive(shortEdit);
  module.Receive(truncated);
  // The next F0 ends the truncated message; the request after it is answered.
  EXPECT_EQ(module.Receive(preset::DumpRequestMessage(-1)).size(), 8u);
  EXPECT_EQ(module.UnknownCount(), 2u);
  EXPECT_EQ(module.MalformedCount(), 2u);
  EXPECT_EQ(Request(module, -1), preset::BuildInitialPreset());
}

TEST(SimulatedRobustness, ChannelAndRealtimeBytesPassAroundSysex) {
  SimulatedModule module;
  Bytes stream{0x90, 0x3C, 0x40, 0x3E, 0x40, 0xF8};
  const Bytes request = preset::DumpRequestMessage(-1);
  for (std::uint8_t byte : request) {
    stream.push_back(byte);
    stream.push_back(0xFE);
  }
  stream.insert(stream.end(), {0x80, 0x3C, 0x00});
  EXPECT_EQ(Joined(module.Receive(stream)), preset::BuildInitialPreset());
  EXPECT_EQ(module.MalformedCount(), 0u);
  EXPECT_EQ(module.UnknownCount(), 0u);
}

AnswerBehaviour Behaviour(const std::function<void(AnswerBehaviour&)>& set) {
  AnswerBehaviour behaviour;
  set(behaviour);
  return behaviour;
}

AnswerBehaviour Late(int delayMs, int jitterMs) {
  return Behaviour([&](AnswerBehaviour& b) {
    b.delay = std::chrono::milliseconds(delayMs);
    b.jitter = std::chrono::milliseconds(jitterMs);
  });
}

// What a driver makes of the pieces: real-time bytes taken out, the SysEx bytes run together.
Bytes SysexOf(const std::vector<Reply>& replies) {
  Bytes all;
  for (const Reply& reply : replies) {
    if (reply.bytes.front() < 0xF8) {
      all.insert(all.end(), reply.bytes.begin(), reply.bytes.end());
    }
  }
  return all;
}

TEST(SimulatedTiming, AnswerBehavioursDelayCutRenumberAndSurroundTheDump) {
  using std::chrono::milliseconds;
  const Bytes whole = preset::BuildInitialPreset();
  Bytes renumbered = whole;
  renumbered[7] = 0x09;
  renumbered[8] = 0x00;
  const Bytes otherDevice{0xF0, 0x7D, 0x01, 0x02, 0x03, 0x04, 0xF7};
  const Bytes universal{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  Bytes noisy = otherDevice;
  noisy.insert(noisy.end(), whole.begin(), whole.begin() + 36 + 3 * 255);
  noisy.insert(noisy.end(), universal.begin(), universal.end());
  noisy.insert(noisy.end(), whole.begin() + 36 + 3 * 255, whole.end());
  struct Case {
    const char* what;
    AnswerBehaviour behaviour;
    Bytes sysex;
    std::size_t pieces;
  };
  const Case cases[] = {
      {"at once", {}, whole, 8},
      {"cut off in packet 4", Behaviour([](AnswerBehaviour& b) { b.cutOffAfter = 1000; }),
       Bytes(whole.begin(), whole.begin() + 1000), 5},
      {"cut off after the header", Behaviour([](AnswerBehaviour& b) { b.cutOffAfter = 36; }),
       Bytes(whole.begin(), whole.begin() + 36), 1},
      {"another preset number", Behaviour([](AnswerBehaviour& b) { b.presetNumber = 9; }),
       renumbered, 8},
      // Clock and another device's message before, active sensing inside packet 2, a universal
      // message after packet 3, clock after the last.
      {"noise", Behaviour([](AnswerBehaviour& b) { b.noise = true; }), noisy, 14},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimulatedModule module;
    module.SetAnswerBehaviour(c.behaviour);
    const std::vector<Reply> replies = module.ReceiveTimed(preset::DumpRequestMessage(-1));
    EXPECT_EQ(SysexOf(replies), c.sysex);
    EXPECT_EQ(replies.size(), c.pieces);
  }

  // The delay holds back the first piece only; the jitter spreads it evenly either way, the
  // same way for the same seed. One preset's own behaviour goes before the one for all.
  SimulatedModule module;
  module.SetAnswerBehaviour(Late(1500, 500));
  module.SetAnswerBehaviour(3, AnswerBehaviour{});
  std::vector<std::chrono::microseconds> delays;
  for (int round = 0; round < 200; ++round) {
    const std::vector<Reply> replies = module.ReceiveTimed(preset::DumpRequestMessage(round % 2));
    for (std::size_t k = 1; k < replies.size(); ++k) {
      EXPECT_EQ(replies[k].delay.count(), 0);
    }
    delays.push_back(replies.front().delay);
  }
  const auto [earliest, latest] = std::ranges::minmax(delays);
  EXPECT_GE(earliest, milliseconds(1000));
  EXPECT_LT(earliest, milliseconds(1050));
  EXPECT_LE(latest, milliseconds(2000));
  EXPECT_GT(latest, milliseconds(1950));
  EXPECT_EQ(module.ReceiveTimed(preset::DumpRequestMessage(3)).front().delay.count(), 0);
  SimulatedModule again;
  again.SetAnswerBehaviour(Late(1500, 500));
  EXPECT_EQ(again.ReceiveTimed(preset::DumpRequestMessage(0)).front().delay, delays.front());
}

TEST(SimulatedTiming, WireTimeIsThreeHundredTwentyMicrosecondsAByte) {
  EXPECT_EQ(SimulatedModule::WireTime(1605), std::chrono::microseconds(513600));
  EXPECT_EQ(SimulatedModule::WireTime(0), std::chrono::microseconds(0));
}

}  // namespace
}  // namespace morvane::sim
