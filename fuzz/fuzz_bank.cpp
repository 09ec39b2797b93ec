// Bank files for ReadBank, which takes a bank whole or refuses it whole.
//
// An input that is empty or starts with 0xF0, as every bank does, is the file itself. Any other
// input edits a good bank: sixteen initial presets numbered 0..15, as BuildBank makes them. After
// its first byte the input is a run of patches, each a big-endian 16-bit offset (taken modulo
// kBankSize), a count, then up to count bytes written from that offset, cut at the bank's end.
// Small edits leave most of the bank framed, which random files of 25680 bytes never are.
//
// A refusal must be a PresetError naming the wrong size or the first dump not framed as the
// layout places its messages (checked here apart from IsFramedDump, so that a fault in either
// shows). A bank taken must be of the right size with every dump framed; each image holds the
// dump it came from and that dump's payload, and BuildBank of the images gives framed dumps
// with preset number n at bytes 7-8 and the images' payloads, leaving the images as they were.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "preset/preset_errors.h"
#include "preset/value_codec.h"

namespace {

using namespace morvane::preset;

constexpr const char* kPath = "fuzz.bnk";
constexpr std::size_t kPatchHeaderSize = 3;  // offset high, offset low, count
constexpr int kBitsPerByte = 8;
constexpr std::uint8_t kDataByteLimit = 0x80;

const Bytes& GoodBank() {
  static const Bytes bank = [] {
    Bank images;
    for (tMrv& image : images) {
      image.LoadPresetFromBytes(BuildInitialPreset());
    }
    return BuildBank(images);
  }();
  return bank;
}

Bytes PatchedBank(std::span<const std::uint8_t> patches) {
  Bytes bank = GoodBank();
  while (patches.size() >= kPatchHeaderSize) {
    const std::size_t offset = ((std::size_t{patches[0]} << kBitsPerByte) | patches[1]) % kBankSize;
    const std::size_t count =
        std::min({std::size_t{patches[2]}, patches.size() - kPatchHeaderSize, kBankSize - offset});
    const auto bytes = patches.subspan(kPatchHeaderSize, count);
    std::copy(bytes.begin(), bytes.end(), bank.begin() + static_cast<std::ptrdiff_t>(offset));
    patches = patches.subspan(kPatchHeaderSize + count);
  }
  return bank;
}

std::span<const std::uint8_t> DumpOf(std::span<const std::uint8_t> bank, std::size_t index) {
  return bank.subspan(index * kDumpSize, kDumpSize);
}

std::size_t PacketSize(std::size_t packet) {
  return packet < kFullPacketCount ? kFullPacketSize : kFinalPacketSize;
}

// The header message and each packet run from 0xF0 to 0xF7 at their places with only data
// bytes between, the last one ending at the dump's last byte. This and the other checks here
// are left out of the coverage that guides the fuzzer, so that only the reader's paths steer it.
[[clang::no_sanitize("coverage")]] bool IsFramedPerLayout(std::span<const std::uint8_t> dump) {
  if (dump.size() != kDumpSize) {
    return false;
  }
  std::size_t first = 0;
  for (std::size_t message = 0; message <= kPacketCount; ++message) {
    const std::size_t last =
        first + (message == 0 ? kHeaderMessageSize : PacketSize(message - 1)) - 1;
    if (dump[first] != kSysexStart || dump[last] != kSysexEnd) {
      return false;
    }
    std::uint8_t combined = 0;
    for (std::size_t i = first + 1; i < last; ++i) {
      combined |= dump[i];
    }
    if (combined >= kDataByteLimit) {
      return false;
    }
    first = last + 1;
  }
  return first == kDumpSize;
}

[[clang::no_sanitize("coverage")]] std::optional<std::size_t> FirstDamaged(
    std::span<const std::uint8_t> bytes) {
  for (std::size_t index = 0; index < kBankPresetCount; ++index) {
    if (!IsFramedPerLayout(DumpOf(bytes, index))) {
      return index;
    }
  }
  return std::nullopt;
}

// True when the payload carried by dump's packets equals payload.
[[clang::no_sanitize("coverage")]] bool CarriesPayload(std::span<const std::uint8_t> dump,
                                                       std::span<const std::uint8_t> payload) {
  if (payload.size() != kPayloadSize) {
    return false;
  }
  for (std::size_t packet = 0; packet < kPacketCount; ++packet) {
    const std::size_t first = packet * kFullPacketDataSize;
    const std::size_t size = packet < kFullPacketCount ? kFullPacketDataSize : kFinalPacketDataSize;
    const auto carried = dump.subspan(DumpOffsetOfPayloadByte(first), size);
    if (!std::equal(carried.begin(), carried.end(), payload.begin() + first)) {
      return false;
    }
  }
  return true;
}

[[clang::no_sanitize("coverage")]] bool SameBytes(std::span<const std::uint8_t> a,
                                                  std::span<const std::uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

[[clang::no_sanitize("coverage")]] std::string ExpectedRefusal(
    std::size_t size, std::optional<std::size_t> firstDamaged) {
  if (size != kBankSize) {
    return "Not a bank of " + std::to_string(kBankPresetCount) + " presets: " + kPath + " holds " +
           std::to_string(size) + " bytes, a bank " + std::to_string(kBankSize);
  }
  if (firstDamaged) {
    return "Preset " + std::to_string(*firstDamaged + 1) + " of the bank " + kPath + " is damaged";
  }
  return {};
}

[[clang::no_sanitize("coverage")]] void CheckTaken(std::span<const std::uint8_t> bytes,
                                                   const Bank& bank) {
  for (std::size_t index = 0; index < bank.size(); ++index) {
    const auto dump = DumpOf(bytes, index);
    if (!SameBytes(bank[index].RawDump().View(), dump) ||
        !CarriesPayload(dump, bank[index].View())) {
      __builtin_trap();
    }
  }
  const Bytes built = BuildBank(bank);
  if (built.size() != kBankSize) {
    __builtin_trap();
  }
  for (std::size_t index = 0; index < bank.size(); ++index) {
    const auto dump = DumpOf(built, index);
    const int presetNumber = DecodeValue(dump[kPresetNumberOffset], dump[kPresetNumberOffset + 1]);
    if (!IsFramedPerLayout(dump) || presetNumber != static_cast<int>(index) ||
        !CarriesPayload(dump, bank[index].View()) ||
        !SameBytes(bank[index].RawDump().View(), DumpOf(bytes, index))) {
      __builtin_trap();
    }
  }
}

[[clang::no_sanitize("coverage")]] void CheckBank(std::span<const std::uint8_t> bytes) {
  const std::optional<std::size_t> firstDamaged =
      bytes.size() == kBankSize ? FirstDamaged(bytes) : std::nullopt;
  Bank bank;
  try {
    bank = ReadBank(bytes, kPath);
  } catch (const PresetError& error) {
    // A good bank expects no refusal, and no refusal text is empty.
    if (error.what() != ExpectedRefusal(bytes.size(), firstDamaged)) {
      __builtin_trap();
    }
    return;
  }
  if (bytes.size() != kBankSize || firstDamaged) {
    __builtin_trap();
  }
  CheckTaken(bytes, bank);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  (void)GoodBank();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  if (input.empty() || input.front() == kSysexStart) {
    // libFuzzer's buffer holds exactly the input, so a read past it is caught.
    CheckBank(input);
  } else {
    const Bytes bank = PatchedBank(input.subspan(1));
    CheckBank(bank);
  }
  return 0;
}
