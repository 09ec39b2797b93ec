#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace morvane::preset
