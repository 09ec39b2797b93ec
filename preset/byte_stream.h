#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morvane::preset {

using Bytes = std::vector<std::uint8_t>;

// A growable in-memory byte buffer with a read/write position. Reads past the
// end fail with "Stream read error"; writes at the end grow the buffer.
class ByteStream {
 public:
  ByteStream() = default;
  explicit ByteStream(Bytes bytes) : bytes_(std::move(bytes)) {}

  std::size_t Size() const { return bytes_.size(); }
  std::ptrdiff_t Position() const { return position_; }
  void Seek(std::ptrdiff_t position) { position_ = position; }
  std::span<const std::uint8_t> View() const { return bytes_; }

  void ReadBuffer(std::span<std::uint8_t> out);
  std::uint8_t ReadByte();
  void WriteBuffer(std::span<const std::uint8_t> in);
  void WriteByte(std::uint8_t byte);
  // Appends count bytes read from source at its position.
  void CopyFrom(ByteStream& source, std::size_t count);

  void Clear();
  void Assign(Bytes bytes);
  // Replaces the content by the whole file; on failure the content is unchanged.
  void LoadFromFile(const std::string& fileName);

 private:
  Bytes bytes_;
  std::ptrdiff_t position_ = 0;
};

// Reads a whole file; "Cannot open file %s" when it cannot be opened or read.
Bytes ReadWholeFile(const std::string& fileName);

// Writes a temporary file beside the target and renames it over the target, so
// the target is either the old file or the complete new one. An existing target keeps its
// permissions and one that cannot be written stays untouched; a link is written through.
// "Cannot create file %s" on any failure.
void WriteFileReplacing(const std::string& fileName, std::span<const std::uint8_t> bytes);

}  // namespace morvane::preset
