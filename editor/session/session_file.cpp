#include "session_file.h"

#include <algorithm>
#include <string_view>

#include "preset/dump_layout.h"

namespace morvane::editor {

namespace {

constexpr std::string_view kMagic = "MRVSESS1";
constexpr int kLayerIndexCount = 4;
constexpr int kPageCount = 4;
constexpr int kByteBits = 8;
constexpr std::uint32_t kByteMask = 0xFF;
constexpr std::size_t kChecksumSize = 4;
constexpr std::size_t kSizeBytes = 2;
constexpr std::uint32_t kFnvOffset = 2166136261U;
constexpr std::uint32_t kFnvPrime = 16777619U;

std::uint32_t Checksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t hash = kFnvOffset;
  for (const std::uint8_t byte : bytes) {
    hash = (hash ^ byte) * kFnvPrime;
  }
  return hash;
}

void PutNumber(preset::Bytes& out, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(static_cast<std::uint8_t>((value >> (kByteBits * i)) & kByteMask));
  }
}

class TReader {
 public:
  explicit TReader(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}

  std::span<const std::uint8_t> Take(std::size_t size) {
    if (FBytes.size() - FPosition < size) {
      throw TSessionDamaged("cut short");
    }
    const std::span<const std::uint8_t> taken = FBytes.subspan(FPosition, size);
    FPosition += size;
    return taken;
  }
  std::uint32_t Number(std::size_t size) {
    std::uint32_t value = 0;
    const std::span<const std::uint8_t> bytes = Take(size);
    for (std::size_t i = 0; i < size; ++i) {
      value |= static_cast<std::uint32_t>(bytes[i]) << (kByteBits * i);
    }
    return value;
  }
  int Index(int count) {
    const std::uint32_t value = Number(1);
    if (value >= static_cast<std::uint32_t>(count)) {
      throw TSessionDamaged("a number out of range");
    }
    return static_cast<int>(value);
  }
  bool AtEnd() const { return FPosition == FBytes.size(); }

 private:
  std::span<const std::uint8_t> FBytes;
  std::size_t FPosition = 0;
};

}  // namespace

preset::Bytes EncodeSession(const TSession& session) {
  preset::Bytes out(kMagic.begin(), kMagic.end());
  out.push_back(static_cast<std::uint8_t>(session.channelIndex));
  out.push_back(static_cast<std::uint8_t>(session.layerIndex));
  out.push_back(static_cast<std::uint8_t>(session.pageIndex));
  for (const preset::tMrv& image : session.images) {
    // Bytes past a dump's length are never sent or saved.
    const std::span<const std::uint8_t> raw =
        image.RawDump().View().first(std::min(image.RawDump().Size(), preset::kDumpSize));
    PutNumber(out, static_cast<std::uint32_t>(raw.size()), kSizeBytes);
    out.insert(out.end(), raw.begin(), raw.end());
    const std::span<const std::uint8_t> payload = image.View();
    if (payload.size() != preset::kPayloadSize) {
      throw std::logic_error("An image without a whole payload cannot be kept");
    }
    out.insert(out.end(), payload.begin(), payload.end());
  }
  PutNumber(out, Checksum(out), kChecksumSize);
  return out;
}

TSession DecodeSession(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kChecksumSize) {
    throw TSessionDamaged("cut short");
  }
  const std::span<const std::uint8_t> body = bytes.first(bytes.size() - kChecksumSize);
  TReader trailer(bytes.last(kChecksumSize));
  if (trailer.Number(kChecksumSize) != Checksum(body)) {
    throw TSessionDamaged("its checksum does not match");
  }
  TReader reader(body);
  const std::span<const std::uint8_t> magic = reader.Take(kMagic.size());
  if (!std::equal(magic.begin(), magic.end(), kMagic.begin())) {
    throw TSessionDamaged("not a session file");
  }
  TSession session;
  session.channelIndex = reader.Index(kSessionChannelCount);
  session.layerIndex = reader.Index(kLayerIndexCount);
  session.pageIndex = reader.Index(kPageCount);
  for (preset::tMrv& image : session.images) {
    const std::uint32_t rawSize = reader.Number(kSizeBytes);
    if (rawSize < preset::kMinUnpackSize || rawSize > preset::kDumpSize) {
      throw TSessionDamaged("an image of the wrong size");
    }
    image.LoadPresetFromBytes(reader.Take(rawSize));
    // The payload holds the edits made since the dump was loaded.
    image.Seek(0);
    image.WriteBuffer(reader.Take(preset::kPayloadSize));
    image.Seek(0);
  }
  if (!reader.AtEnd()) {
    throw TSessionDamaged("more bytes than a session");
  }
  return session;
}

}  // namespace morvane::editor
