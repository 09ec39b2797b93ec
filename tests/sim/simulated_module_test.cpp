#include <gtest/gtest.h>

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

TEST(SimulatedTiming, WireTimeIsThreeHundredTwentyMicrosecondsAByte) {
  EXPECT_EQ(SimulatedModule::WireTime(1605), std::chrono::microseconds(513600));
  EXPECT_EQ(SimulatedModule::WireTime(0), std::chrono::microseconds(0));
}

}  // namespace
}  // namespace morvane::sim
