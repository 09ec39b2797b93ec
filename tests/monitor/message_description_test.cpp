#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/message_description.h"
#include "midi/my_midi_event.h"
#include "preset/initial_preset.h"
#include "preset/module_messages.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using morvane::engine::TMessageDescriber;

struct DescriptionCase {
  std::vector<Bytes> before;  // messages the describer saw first, in order
  Bytes message;
  std::string description;
};

const Bytes kPresetSelectBuffer{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01,
                                0x02, 0x01, 0x07, 0x7F, 0x7F, 0xF7};
const Bytes kLayerSelect1{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x07, 0x00, 0x00, 0xF7};

Bytes Sized(std::size_t size) {
  Bytes bytes(size, 0x00);
  const Bytes head{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10};
  std::copy(head.begin(), head.end(), bytes.begin());
  bytes.back() = 0xF7;
  return bytes;
}

TEST(MessageDescription, NamesEveryMessageKind) {
  const std::vector<DescriptionCase> cases{
      {{kPresetSelectBuffer, kLayerSelect1},
       {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x0B, 0x7A, 0x7F, 0xF7},
       "edit  preset -1  layer 1  0B:02 vol = -6"},
      {{},
       {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x13, 0x07, 0x48, 0x01, 0xF7},
       "edit  preset ?  ?  07:13 A = 200"},
      {{}, kPresetSelectBuffer, "select preset -1"},
      {{},
       {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x07, 0x7F, 0x7F, 0xF7},
       "select common"},
      {{{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x01, 0x07, 0x02, 0x00, 0xF7}},
       {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x03, 0x07, 0x42, 0x00, 0xF7},
       "name  preset 2  character 1 'B'"},
      {{},
       {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x12, 0x07, 0x20, 0x00, 0xF7},
       "name  preset ?  character 16 ' '"},

      {{},
       {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x11, 0x04, 0x03, 0x00, 0x00, 0x00, 0xF7},
       "dump request  preset 3"},
      {{},
       {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x25, 0x7F, 0x7F, 0x00, 0x00, 0x7F, 0x7F, 0x02, 0x00, 0x00,
        0x00, 0xF7},
       "layer copy  preset -1 layer 1  to preset -1 layer 3"},
      {{}, {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x32, 0x01, 0x00, 0xF7}, "mute  layer 2"},
      {{}, {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x33, 0x01, 0x00, 0xF7}, "unmute  layer 2"},
      {{}, morvane::preset::BuildInitialPreset(), "preset dump  preset -1  header and 7 packets"},
      {{}, Sized(36), "dump header  preset 0"},
      {{Sized(36), Sized(255), Sized(255)}, Sized(255), "dump packet 3 of 7"},
      {{Sized(36), Sized(255), Sized(255), Sized(255), Sized(255), Sized(255), Sized(255)},
       Sized(39),
       "dump packet 7 of 7"},
      {{}, {0x90, 48, 97}, "note on ch 1 C3 vel 97"},
      {{}, {0x9F, 60, 0}, "note off ch 16 C4 vel 0"},
      {{}, {0x81, 127, 64}, "note off ch 2 G9 vel 64"},
      {{}, {0xB3, 64, 127}, "sustain ch 4 = 127"},
      {{}, {0xB0, 120, 0}, "all sound off ch 1"},
      {{}, {0xB0, 7, 100}, "controller ch 1 cc 7 = 100"},
      {{}, {0xC1, 5}, "program change ch 2 5"},
      {{}, {0xE0, 0x00, 0x40}, "pitch bend ch 1 0"},
      {{}, {0xF0, 0x43, 0x10, 0xF7}, "SysEx, 4 bytes"},
      {{}, {0x90, 48}, "short message, cut short"},
  };
  for (const DescriptionCase& test : cases) {
    TMessageDescriber describer;
    for (const Bytes& earlier : test.before) {
      describer.Describe(earlier);
    }
    EXPECT_EQ(describer.Describe(test.message), test.description)
        << morvane::engine::HexText(test.message);
  }
}

TEST(MessageDescription, HexTextIsUpperCasePairs) {
  EXPECT_EQ(morvane::engine::HexText(Bytes{0xF0, 0x0A, 0x7F, 0xF7}), "F0 0A 7F F7");
  EXPECT_EQ(morvane::engine::HexText(Bytes{}), "");
}

TEST(MessageDescription, ShortMessagesCarryTheirStatusesDataBytes) {
  const std::vector<std::pair<std::uint8_t, std::size_t>> cases{
      {0x80, 3}, {0x9F, 3}, {0xB0, 3}, {0xC0, 2}, {0xDF, 2}, {0xE0, 3},
      {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF6, 1}, {0xF8, 1}, {0x40, 3}};
  for (const auto& [status, length] : cases) {
    EXPECT_EQ(morvane::midi::ShortMessageLength(status), length) << int{status};
  }
}

}  // namespace
