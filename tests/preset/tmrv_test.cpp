#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "preset/initial_preset.h"
#include "preset/preset_errors.h"
#include "preset/tmrv.h"
#include "test_dumps.h"

namespace morvane::preset {
namespace {

using testing::TracingDump;

std::size_t DumpOffsetOf(std::size_t p) {
  return 45 + 255 * (p / 244) + p % 244;
}

tMrv Loaded(const Bytes& dump) {
  tMrv image;
  image.LoadPresetFromBytes(dump);
  return image;
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const PresetError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Unpack, TakesEveryPayloadByteFromItsPacketPosition) {
  const Bytes dump = TracingDump();
  tMrv image = Loaded(dump);
  ASSERT_EQ(image.Size(), 1492u);
  for (std::size_t p = 0; p < 1492; ++p) {
    ASSERT_EQ(image.View()[p], dump[DumpOffsetOf(p)]) << p;
  }
}

TEST(Unpack, AcceptsDumpsDownTo1603BytesAndRefusesShorter) {
  Bytes dump = TracingDump();
  dump.resize(1603);
  tMrv image = Loaded(dump);
  EXPECT_EQ(image.Size(), 1492u);
  EXPECT_EQ(MessageOf([&] { image.BuildDump(); }), "Stream read error");

  dump.resize(1602);
  EXPECT_EQ(MessageOf([&] { Loaded(dump); }), "Stream read error");
}

TEST(Unpack, FailedLoadLeavesTheImageAsItWasAndUsable) {
  tMrv image = Loaded(BuildInitialPreset());
  image.WriteParam(GroupOf(0x0B), 0x02, 1, -6);
  const Bytes before = image.BuildDump();

  const Bytes shortDump(1602, 0x11);
  EXPECT_THROW(image.LoadPresetFromBytes(shortDump), StreamReadError);
  EXPECT_THROW(image.LoadPreset("/nonexistent/dir/x.syx"), FileOpenError);

  EXPECT_EQ(image.ReadName(), "Ini:New Preset  ");
  EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x02, 1), -6);
  EXPECT_EQ(image.BuildDump(), before);
  image.WriteParam(GroupOf(0x0B), 0x02, 1, 7);
  EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x02, 1), 7);
}

TEST(Unpack, LongerInputKeepsItsExtraBytesOutOfTheDump) {
  Bytes dump = TracingDump();
  const Bytes exact = Loaded(dump).BuildDump();
  dump.push_back(0x01);
  dump.push_back(0x02);
  tMrv image = Loaded(dump);
  EXPECT_EQ(image.RawDump().Size(), 1607u);
  EXPECT_EQ(image.BuildDump(), exact);
}

TEST(ParamOffset, PlacesCommonAndLayerGroups) {
  tMrv image = Loaded(TracingDump());
  const struct {
    std::uint8_t high, low;
    int layer;
    int offset;
  } cases[] = {
      {0x07, 0x13, 0, 16},   {0x07, 0x1F, 0, 40},  {0x08, 0x10, 0, 114}, {0x09, 0x10, 0, 150},
      {0x0A, 0x10, 0, 182},  {0x7F, 0x10, 0, 182}, {0x0B, 0x01, 1, 228}, {0x0C, 0x01, 1, 290},
      {0x0D, 0x01, 1, 296},  {0x0E, 0x01, 1, 316}, {0x0F, 0x01, 1, 400}, {0x0B, 0x01, 2, 544},
      {0x0F, 0x48, 4, 1490}, {0x0B, 0x01, 0, 152}, {0x07, 0x01, 1, 228},  // group below 0x0B
      {0x00, 0x10, 0, 10},   {0x06, 0x01, 1, 228},  // g negative compares below zero
      {0x7F, 0x01, 1, 400},                         // g of 0x78 counts as 8 or more
      {0x87, 0x01, 1, 228},                         // 0x87 - 7 = 0x80 is -128 as a signed byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(image.ParamOffset(GroupOf(c.high), c.low, c.layer), c.offset)
        << std::hex << int(c.high) << ":" << int(c.low) << " layer " << c.layer;
  }
}

TEST(ReadWriteParam, WritesLowByteFirstAtTheOffset) {
  tMrv image = Loaded(TracingDump());
  image.WriteParam(GroupOf(0x0B), 0x02, 1, -6);
  EXPECT_EQ(image.View()[230], 0x7A);
  EXPECT_EQ(image.View()[231], 0x7F);
  EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x02, 1), -6);

  image.WriteParam(GroupOf(0x07), 0x13, 0, 200);
  EXPECT_EQ(image.View()[16], 0x48);
  EXPECT_EQ(image.View()[17], 0x01);
}

TEST(ReadWriteParam, LastValueOfLayerFourReachesTheDump) {
  tMrv image = Loaded(TracingDump());
  image.WriteParam(GroupOf(0x0F), 0x48, 4, -100);
  const Bytes dump = image.BuildDump();
  EXPECT_EQ(dump[1601], 0x1C);
  EXPECT_EQ(dump[1602], 0x7F);
}

TEST(ReadWriteParam, PositionsOutsideThePayloadFailAndChangeNothing) {
  tMrv image = Loaded(TracingDump());
  const Bytes before(image.View().begin(), image.View().end());
  // Layer 4, 0F:49 is one value past the payload; common low 0 lies before it.
  EXPECT_EQ(MessageOf([&] { image.ReadParam(GroupOf(0x0F), 0x49, 4); }), "Stream read error");
  EXPECT_EQ(MessageOf([&] { image.ReadParam(GroupOf(0x07), 0x00, 0); }), "Stream read error");
  EXPECT_THROW(image.WriteParam(GroupOf(0x0F), 0x49, 4, 1), StreamWriteError);
  EXPECT_THROW(image.WriteParam(GroupOf(0x07), 0x00, 0, 1), StreamWriteError);
  EXPECT_THROW(image.WriteParam(GroupOf(0x0B), 0x01, 5, 1), StreamWriteError);
  EXPECT_EQ(Bytes(image.View().begin(), image.View().end()), before);
}

TEST(Name, ReadsSixteenCharactersWhateverTheirCodes) {
  Bytes dump = TracingDump();
  dump[45] = 0x00;
  dump[46] = 0x7F;
  const std::string name = Loaded(dump).ReadName();
  ASSERT_EQ(name.size(), 16u);
  EXPECT_EQ(name[0], '\0');
  EXPECT_EQ(name[1], '\x7F');
}

TEST(Name, WriteKeepsTheFourthCharacterAndPadsWithSpaces) {
  tMrv image = Loaded(BuildInitialPreset());
  image.WriteName("AB");
  EXPECT_EQ(image.ReadName(), std::string("AB :") + std::string(12, ' '));

  image.WriteName("0123456789abcdefXYZW");
  EXPECT_EQ(image.ReadName(), "012:456789abcdef");
}

TEST(Name, CharactersOfHexEightyOrMoreBecomeAQuestionMark) {
  tMrv image = Loaded(BuildInitialPreset());
  image.WriteName(
      "A\xE9\xFF"
      "Dx\x80");
  EXPECT_EQ(image.ReadName(), "A??:x?          ");
}

TEST(CopyLayerParams, CopiesTheFirst45ValuesOnly) {
  tMrv image = Loaded(TracingDump());
  tMrv original = image;
  image.CopyLayerParams(2, 3);
  for (int low = 1; low <= 0x1F; ++low) {
    EXPECT_EQ(image.ReadParam(GroupOf(0x0B), low, 3), original.ReadParam(GroupOf(0x0B), low, 2));
  }
  EXPECT_EQ(image.ReadParam(GroupOf(0x0E), 0x01, 3), original.ReadParam(GroupOf(0x0E), 0x01, 2));
  const std::size_t layer3 = 228 + 2 * 316;
  const std::size_t firstUncopied = layer3 + 90;  // 0E:02
  for (std::size_t p = firstUncopied; p < layer3 + 316; ++p) {
    ASSERT_EQ(image.View()[p], original.View()[p]) << p;
  }
  // Layers other than the target are untouched.
  for (std::size_t p = 0; p < layer3; ++p) {
    ASSERT_EQ(image.View()[p], original.View()[p]) << p;
  }
}

TEST(CopyLayerParams, OntoItselfOnlyNormalisesNegativePairs) {
  tMrv image = Loaded(TracingDump());
  // A pair with high byte 101..126 decodes as low - 128 and re-encodes with 0x7F.
  image.Seek(228 + 4);
  image.WriteByte(0x05);
  image.WriteByte(0x70);
  tMrv original = image;
  image.CopyLayerParams(1, 1);
  for (std::size_t p = 0; p < 1492; ++p) {
    if (p == 228 + 5) {
      EXPECT_EQ(image.View()[p], 0x7F);
    } else {
      ASSERT_EQ(image.View()[p], original.View()[p]) << p;
    }
  }
}

TEST(BuildDump, SetsEveryPacketChecksumAndKeepsTheHeader) {
  Bytes dump = TracingDump();
  tMrv image = Loaded(dump);
  const Bytes built = image.BuildDump();
  ASSERT_EQ(built.size(), 1605u);
  const std::size_t checksums[] = {289, 544, 799, 1054, 1309, 1564, 1603};
  for (std::size_t i = 0; i < built.size(); ++i) {
    const bool isChecksum =
        std::find(std::begin(checksums), std::end(checksums), i) != std::end(checksums);
    ASSERT_EQ(built[i], isChecksum ? 0x7F : dump[i]) << i;
  }
  // The checksum step stays in the raw dump.
  for (std::size_t i : checksums) {
    EXPECT_EQ(image.RawDump().View()[i], 0x7F);
  }
  EXPECT_EQ(image.RawDump().View()[34], dump[34]);
}

TEST(BuildDump, PayloadBytesLandAtTheirPacketOffsets) {
  tMrv image = Loaded(TracingDump());
  for (std::size_t p = 0; p < 1492; ++p) {
    image.Seek(static_cast<std::ptrdiff_t>(p));
    image.WriteByte(static_cast<std::uint8_t>((p * 7 + 3) % 128));
  }
  const Bytes built = image.BuildDump();
  for (std::size_t p = 0; p < 1492; ++p) {
    ASSERT_EQ(built[DumpOffsetOf(p)], (p * 7 + 3) % 128) << p;
  }
}

TEST(SetPresetNumber, WritesHeaderBytesSevenAndEight) {
  tMrv image = Loaded(TracingDump());
  image.SetPresetNumber(-1);
  Bytes built = image.BuildDump();
  EXPECT_EQ(built[7], 0x7F);
  EXPECT_EQ(built[8], 0x7F);
  image.SetPresetNumber(5);
  built = image.BuildDump();
  EXPECT_EQ(built[7], 0x05);
  EXPECT_EQ(built[8], 0x00);
}

}  // namespace
}  // namespace morvane::preset
