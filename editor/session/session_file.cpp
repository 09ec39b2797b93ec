#include "session_file.h"

#include <algorithm>
#include <string_view>

#include "preset/initial_preset.h"

namespace morvane::editor {

namespace {

// The format with a checksum for each part, and the earlier one with one for the whole file.
constexpr std::string_view kMagic = "MRVSESS2";
constexpr std::string_view kWholeFileMagic = "MRVSESS1";
constexpr std::string_view kReferencesMagic = "MRVREFS1";
constexpr int kLayerIndexCount = 4;
constexpr int kPageCount = 4;
constexpr int kByteBits = 8;
constexpr std::uint32_t kByteMask = 0xFF;
constexpr std::size_t kSizeBytes = 2;
constexpr std::uint32_t kFnvOffset = 2166136261U;
constexpr std::uint32_t kFnvPrime = 16777619U;

static_assert(kSessionHeaderSize == kMagic.size() + 3 + kSessionChecksumSize);
static_assert(kSessionReferencesMarkSize == kReferencesMagic.size());
static_assert(kSessionChannelPartSize ==
              kSizeBytes + preset::kDumpSize + preset::kPayloadSize + kSessionChecksumSize);

// FNV-1a, going on from hash.
std::uint32_t Checksum(std::span<const std::uint8_t> bytes, std::uint32_t hash = kFnvOffset) {
  for (const std::uint8_t byte : bytes) {
    hash = (hash ^ byte) * kFnvPrime;
  }
  return hash;
}

// Where the checksum of a channel's part starts: from its channel, so that a part that stands in
// another channel's place is noticed.
std::uint32_t ChannelChecksumStart(int channelIndex) {
  const std::uint8_t channel[] = {static_cast<std::uint8_t>(channelIndex)};
  return Checksum(channel);
}

// A reference's part starts its checksum apart from every channel's part.
std::uint32_t ReferenceChecksumStart(int channelIndex) {
  return ChannelChecksumStart(kSessionChannelCount + channelIndex);
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

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view magic) {
  return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

// The raw dump as kept: bytes past a dump's length are never sent or saved.
std::span<const std::uint8_t> KeptRaw(const preset::tMrv& image) {
  return image.RawDump().View().first(std::min(image.RawDump().Size(), preset::kDumpSize));
}

std::span<const std::uint8_t> WholePayload(const preset::tMrv& image) {
  const std::span<const std::uint8_t> payload = image.View();
  if (payload.size() != preset::kPayloadSize) {
    throw std::logic_error("An image without a whole payload cannot be kept");
  }
  return payload;
}

void CheckRawSize(std::uint32_t rawSize) {
  if (rawSize < preset::kMinUnpackSize || rawSize > preset::kDumpSize) {
    throw TSessionDamaged("an image of the wrong size");
  }
}

void LoadImage(std::span<const std::uint8_t> raw, std::span<const std::uint8_t> payload,
               preset::tMrv& image) {
  image.LoadPresetFromBytes(raw);
  // The payload holds the edits made since the dump was loaded.
  image.Seek(0);
  image.WriteBuffer(payload);
  image.Seek(0);
}

// The earlier format: one checksum for the whole file, any damage loses all of it.
TSession DecodeWholeFileSession(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kSessionChecksumSize) {
    throw TSessionDamaged("cut short");
  }
  const std::span<const std::uint8_t> body = bytes.first(bytes.size() - kSessionChecksumSize);
  TReader trailer(bytes.last(kSessionChecksumSize));
  if (trailer.Number(kSessionChecksumSize) != Checksum(body)) {
    throw TSessionDamaged("its checksum does not match");
  }
  TReader reader(body);
  if (!StartsWith(reader.Take(kWholeFileMagic.size()), kWholeFileMagic)) {
    throw TSessionDamaged("not a session file");
  }
  TSession session;
  session.channelIndex = reader.Index(kSessionChannelCount);
  session.layerIndex = reader.Index(kLayerIndexCount);
  session.pageIndex = reader.Index(kPageCount);
  for (preset::tMrv& image : session.images) {
    const std::uint32_t rawSize = reader.Number(kSizeBytes);
    CheckRawSize(rawSize);
    const std::span<const std::uint8_t> raw = reader.Take(rawSize);
    LoadImage(raw, reader.Take(preset::kPayloadSize), image);
  }
  if (!reader.AtEnd()) {
    throw TSessionDamaged("more bytes than a session");
  }
  return session;
}

// Reads one part whose checksum comes last; false when the part is missing or damaged.
template <typename ReadPart>
bool ReadCheckedPart(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size,
                     std::uint32_t checksumStart, ReadPart readPart) {
  if (bytes.size() < offset + size) {
    return false;
  }
  const std::span<const std::uint8_t> part = bytes.subspan(offset, size);
  const std::span<const std::uint8_t> body = part.first(size - kSessionChecksumSize);
  if (TReader(part.last(kSessionChecksumSize)).Number(kSessionChecksumSize) !=
      Checksum(body, checksumStart)) {
    return false;
  }
  try {
    TReader reader(body);
    readPart(reader);
  } catch (const TSessionDamaged&) {
    return false;
  }
  return true;
}

// An image as a channel's part keeps it: its raw dump's size, the room of a whole dump, used or
// not, and the payload.
void ReadKeptImage(TReader& reader, preset::tMrv& image) {
  const std::uint32_t rawSize = reader.Number(kSizeBytes);
  CheckRawSize(rawSize);
  const std::span<const std::uint8_t> room = reader.Take(preset::kDumpSize);
  LoadImage(room.first(rawSize), reader.Take(preset::kPayloadSize), image);
}

void PutKeptImage(preset::Bytes& out, const preset::tMrv& image) {
  const std::span<const std::uint8_t> raw = KeptRaw(image);
  PutNumber(out, static_cast<std::uint32_t>(raw.size()), kSizeBytes);
  out.insert(out.end(), raw.begin(), raw.end());
  // Every part has the same size, so that a damaged one cannot move the next.
  out.resize(out.size() + preset::kDumpSize - raw.size());
  const std::span<const std::uint8_t> payload = WholePayload(image);
  out.insert(out.end(), payload.begin(), payload.end());
}

// Each reference whose part is whole comes back; a damaged one is named and left out.
void DecodeReferences(std::span<const std::uint8_t> bytes, TDecodedSession& decoded) {
  for (int channelIndex = 0; channelIndex < kSessionChannelCount; ++channelIndex) {
    const std::size_t offset = kSessionFileSize + kSessionReferencesMarkSize +
                               static_cast<std::size_t>(channelIndex) * kSessionReferencePartSize;
    std::optional<preset::tMrv> read;
    if (ReadCheckedPart(bytes, offset, kSessionReferencePartSize,
                        ReferenceChecksumStart(channelIndex), [&read](TReader& reader) {
                          const bool present = reader.Index(2) == 1;
                          preset::tMrv image;
                          if (present) {
                            ReadKeptImage(reader, image);
                            read = std::move(image);
                          }
                        })) {
      decoded.session.references.at(static_cast<std::size_t>(channelIndex)) = std::move(read);
    } else {
      decoded.damage.referenceNumbers.push_back(channelIndex + 1);
    }
  }
}

TDecodedSession DecodePartedSession(std::span<const std::uint8_t> bytes) {
  TDecodedSession decoded;
  TSession& session = decoded.session;
  const bool placeRead =
      ReadCheckedPart(bytes, 0, kSessionHeaderSize, kFnvOffset, [&session](TReader& reader) {
        reader.Take(kMagic.size());
        session.channelIndex = reader.Index(kSessionChannelCount);
        session.layerIndex = reader.Index(kLayerIndexCount);
        session.pageIndex = reader.Index(kPageCount);
      });
  if (!placeRead) {
    session.channelIndex = 0;
    session.layerIndex = 0;
    session.pageIndex = 0;
    decoded.damage.place = true;
  }
  const preset::Bytes initial = preset::BuildInitialPreset();
  for (int channelIndex = 0; channelIndex < kSessionChannelCount; ++channelIndex) {
    preset::tMrv& image = session.images.at(static_cast<std::size_t>(channelIndex));
    const std::size_t offset =
        kSessionHeaderSize + static_cast<std::size_t>(channelIndex) * kSessionChannelPartSize;
    preset::tMrv read;
    if (ReadCheckedPart(bytes, offset, kSessionChannelPartSize, ChannelChecksumStart(channelIndex),
                        [&read](TReader& reader) { ReadKeptImage(reader, read); })) {
      image = std::move(read);
    } else {
      image.LoadPresetFromBytes(initial);
      decoded.damage.channelNumbers.push_back(channelIndex + 1);
    }
  }
  std::size_t end = kSessionFileSize;
  if (bytes.size() > end && StartsWith(bytes.subspan(end), kReferencesMagic)) {
    DecodeReferences(bytes, decoded);
    end += kSessionReferencesSize;
  }
  if (bytes.size() > end) {
    decoded.damage.extraBytes = bytes.size() - end;
  }
  return decoded;
}
// "a", "a and b", "a, b and c".
std::string Listed(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
  }
  return text;
}

// Rising numbers, three or more in a row as a range: "1-4, 7 and 9".
std::string NumberList(const std::vector<int>& numbers) {
  constexpr std::size_t kShortestRange = 3;
  std::vector<std::string> items;
  for (std::size_t first = 0; first < numbers.size();) {
    std::size_t last = first;
    while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1) {
      ++last;
    }
    if (last - first + 1 >= kShortestRange) {
      items.push_back(std::to_string(numbers[first]) + "-" + std::to_string(numbers[last]));
      first = last + 1;
    } else {
      items.push_back(std::to_string(numbers[first]));
      ++first;
    }
  }
  return Listed(items);
}

}  // namespace

preset::Bytes EncodeSession(const TSession& session) {
  preset::Bytes out(kMagic.begin(), kMagic.end());
  out.push_back(static_cast<std::uint8_t>(session.channelIndex));
  out.push_back(static_cast<std::uint8_t>(session.layerIndex));
  out.push_back(static_cast<std::uint8_t>(session.pageIndex));
  PutNumber(out, Checksum(out), kSessionChecksumSize);
  for (std::size_t channelIndex = 0; channelIndex < session.images.size(); ++channelIndex) {
    const std::size_t start = out.size();
    PutKeptImage(out, session.images[channelIndex]);
    PutNumber(out,
              Checksum(std::span(out).subspan(start),
                       ChannelChecksumStart(static_cast<int>(channelIndex))),
              kSessionChecksumSize);
  }
  if (std::ranges::none_of(session.references,
                           [](const auto& reference) { return reference.has_value(); })) {
    return out;
  }
  out.insert(out.end(), kReferencesMagic.begin(), kReferencesMagic.end());
  for (std::size_t channelIndex = 0; channelIndex < session.references.size(); ++channelIndex) {
    const std::optional<preset::tMrv>& reference = session.references[channelIndex];
    const std::size_t start = out.size();
    out.push_back(reference ? 1 : 0);
    if (reference) {
      PutKeptImage(out, *reference);
    } else {
      out.resize(out.size() + kSessionChannelPartSize - kSessionChecksumSize);
    }
    PutNumber(out,
              Checksum(std::span(out).subspan(start),
                       ReferenceChecksumStart(static_cast<int>(channelIndex))),
              kSessionChecksumSize);
  }
  return out;
}

TDecodedSession DecodeSession(std::span<const std::uint8_t> bytes) {
  // A file of exactly a session's size is read part by part even when its first bytes are
  // damaged.
  if (StartsWith(bytes, kMagic) || bytes.size() == kSessionFileSize ||
      bytes.size() == kSessionFileSize + kSessionReferencesSize) {
    return DecodePartedSession(bytes);
  }
  return {DecodeWholeFileSession(bytes), {}};
}

std::string TSessionDamage::Text() const {
  std::vector<std::string> parts;
  if (!channelNumbers.empty()) {
    std::string channels = channelNumbers.size() == 1 ? "channel " : "channels ";
    channels += NumberList(channelNumbers);
    channels += channelNumbers.size() == 1 ? " was damaged and starts from the initial preset"
                                           : " were damaged and start from the initial preset";
    parts.push_back(channels);
  }
  if (place) {
    parts.push_back("the channel, layer and page shown were damaged");
  }
  if (!referenceNumbers.empty()) {
    parts.push_back((referenceNumbers.size() == 1 ? "the reference of channel "
                                                  : "the references of channels ") +
                    NumberList(referenceNumbers) +
                    (referenceNumbers.size() == 1 ? " was damaged and is left out"
                                                  : " were damaged and are left out"));
  }
  if (extraBytes > 0) {
    parts.push_back(extraBytes == 1
                        ? std::string("1 byte past its end was left out")
                        : std::to_string(extraBytes) + " bytes past its end were left out");
  }
  return Listed(parts);
}

}  // namespace morvane::editor
