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

}  // namespace morvane::preset
