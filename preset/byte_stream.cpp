#include "byte_stream.h"

#include <algorithm>

#include "file_io.h"
#include "preset_errors.h"

namespace morvane::preset {

void ByteStream::ReadBuffer(std::span<std::uint8_t> out) {
  if (position_ < 0 || static_cast<std::size_t>(position_) + out.size() > bytes_.size()) {
    throw StreamReadError();
  }
  std::copy_n(bytes_.begin() + position_, out.size(), out.begin());
  position_ += static_cast<std::ptrdiff_t>(out.size());
}

std::uint8_t ByteStream::ReadByte() {
  std::uint8_t byte = 0;
  ReadBuffer(std::span(&byte, 1));
  return byte;
}

void ByteStream::WriteBuffer(std::span<const std::uint8_t> in) {
  if (position_ < 0) {
    throw StreamWriteError();
  }
  const std::size_t end = static_cast<std::size_t>(position_) + in.size();
  if (end > bytes_.size()) {
    bytes_.resize(end);
  }
  std::copy(in.begin(), in.end(), bytes_.begin() + position_);
  position_ = static_cast<std::ptrdiff_t>(end);
}

void ByteStream::WriteByte(std::uint8_t byte) {
  WriteBuffer(std::span(&byte, 1));
}

void ByteStream::CopyFrom(ByteStream& source, std::size_t count) {
  const std::size_t oldSize = bytes_.size();
  bytes_.resize(oldSize + count);
  try {
    source.ReadBuffer(std::span(bytes_).subspan(oldSize));
  } catch (...) {
    bytes_.resize(oldSize);
    throw;
  }
  position_ = static_cast<std::ptrdiff_t>(bytes_.size());
}

void ByteStream::Clear() {
  bytes_.clear();
  position_ = 0;
}

void ByteStream::Assign(Bytes bytes) {
  bytes_ = std::move(bytes);
  position_ = 0;
}

void ByteStream::LoadFromFile(const std::string& fileName) {
  Assign(ReadWholeFile(fileName));
}

}  // namespace morvane::preset
