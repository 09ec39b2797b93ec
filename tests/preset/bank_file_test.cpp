#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "preset/bank_file.h"
#include "preset/initial_preset.h"
#include "preset/preset_errors.h"
#include "test_dumps.h"

namespace morvane::preset {
namespace {

constexpr const char* kPath = "bank.syx";

// Sixteen distinct images: the initial preset, each renamed with its position.
Bank NamedImages() {
  Bank images;
  for (std::size_t index = 0; index < images.size(); ++index) {
    images[index].LoadPresetFromBytes(BuildInitialPreset());
    images[index].WriteName("Preset " + std::to_string(index + 1));
  }
  return images;
}

std::string ErrorOf(const Bytes& bytes) {
  try {
    ReadBank(bytes, kPath);
  } catch (const PresetError& error) {
    return error.what();
  }
  return "no error";
}

TEST(BankFile, RoundTripKeepsEveryImageAndNumbersThePresets) {
  Bank images = NamedImages();
  images[2].SetPresetNumber(9);
  const Bytes bank = BuildBank(images);
  ASSERT_EQ(bank.size(), kBankSize);
  const Bank read = ReadBank(bank, kPath);
  for (std::size_t index = 0; index < read.size(); ++index) {
    const auto dump = std::span(bank).subspan(index * kDumpSize, kDumpSize);
    EXPECT_EQ(dump[kPresetNumberOffset], index);
    EXPECT_EQ(dump[kPresetNumberOffset + 1], 0);
    EXPECT_TRUE(std::ranges::equal(read[index].View(), images[index].View())) << index;
  }
  // The images given keep their own preset number.
  EXPECT_EQ(images[2].RawDump().View()[kPresetNumberOffset], 9);
}

TEST(BankFile, RefusesOtherSizesAndDamagedDumps) {
  const Bytes good = BuildBank(NamedImages());
  Bytes shortBank(good.begin(), good.end() - 1);
  Bytes longBank = good;
  longBank.push_back(0xF7);
  Bytes badData = good;
  badData[4 * kDumpSize + 100] = 0x90;  // a status byte inside preset 5's first packet
  Bytes badFrame = good;
  badFrame[15 * kDumpSize + kDumpSize - 1] = 0x00;  // preset 16 loses its last 0xF7
  struct Case {
    const Bytes* bytes;
    std::string error;
  };
  for (const Case& c : {
           Case{&shortBank, "Not a bank of 16 presets: bank.syx holds 25679 bytes, a bank 25680"},
           Case{&longBank, "Not a bank of 16 presets: bank.syx holds 25681 bytes, a bank 25680"},
           Case{&badData, "Preset 5 of the bank bank.syx is damaged"},
           Case{&badFrame, "Preset 16 of the bank bank.syx is damaged"},
       }) {
    EXPECT_EQ(ErrorOf(*c.bytes), c.error);
  }
  EXPECT_EQ(ErrorOf({}), "Not a bank of 16 presets: bank.syx holds 0 bytes, a bank 25680");
}

TEST(BankFile, FramingOfOneDump) {
  EXPECT_TRUE(IsFramedDump(testing::TracingDump()));
  EXPECT_FALSE(IsFramedDump(testing::TracingDump(1604)));
  Bytes shifted = testing::TracingDump();
  shifted[36] = 0x00;  // the first packet does not begin with 0xF0
  EXPECT_FALSE(IsFramedDump(shifted));

  // The first message out of place is named, and a file's fault is put in words.
  const Bytes good = testing::TracingDump();
  const auto changed = [&good](std::size_t at, std::uint8_t byte) {
    Bytes bytes = good;
    bytes[at] = byte;
    return bytes;
  };
  Bytes twoDumps = good;
  twoDumps.insert(twoDumps.end(), good.begin(), good.end());
  const Bytes text(5936, 'a');
  struct Case {
    Bytes bytes;
    std::optional<std::size_t> message;  // nothing: framed, or too long
    std::string fault;
  };
  const Case cases[] = {
      {good, {}, ""},
      {text, 0, "it does not start with a SysEx header"},
      {changed(35, 0x00), 0, "it does not start with a SysEx header"},
      {changed(36 + 3 * 255 + 100, 0x90), 4, "its packet 4 is damaged"},
      {changed(1604, 0x00), 7, "its packet 7 is damaged"},
      {testing::TracingDump(1000), 4, "it ends after 1000 of 1605 bytes"},
      {testing::TracingDump(1604), 7, "it ends after 1604 of 1605 bytes"},
      {twoDumps, {}, "it holds 3210 bytes, a preset 1605"},
      {{}, 0, "it is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::optional<DumpFault> fault = FindDumpFault(c.bytes);
    EXPECT_EQ(fault.has_value(), !c.fault.empty());
    if (fault && c.message) {
      EXPECT_EQ(fault->kind, DumpFault::Kind::Message);
      EXPECT_EQ(fault->message, *c.message);
    }
    EXPECT_EQ(PresetFileFault(c.bytes), c.fault);
  }
}

}  // namespace
}  // namespace morvane::preset
