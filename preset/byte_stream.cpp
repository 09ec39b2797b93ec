#include "byte_stream.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

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

Bytes ReadWholeFile(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) {
    throw FileOpenError(fileName);
  }
  Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    throw FileOpenError(fileName);
  }
  return bytes;
}

namespace {

std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target) {
  // Random per process, counted per save: two savers of one target never share a file.
  static const unsigned processTag = std::random_device{}();
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temporary = target;
  temporary += ".tmp" + std::to_string(processTag) + "-" + std::to_string(counter.fetch_add(1));
  return temporary;
}

}  // namespace

void WriteFileReplacing(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  std::error_code error;
  std::filesystem::path target(fileName);
  // A link is written through, as opening the file for writing would, not replaced by a file.
  if (std::filesystem::is_symlink(target, error)) {
    target = std::filesystem::weakly_canonical(target, error);
    if (error) {
      throw FileCreateError(fileName);
    }
  }
  const std::filesystem::file_status existing = std::filesystem::status(target, error);
  if (std::filesystem::is_directory(existing)) {
    throw FileCreateError(fileName);
  }
  const bool replacing = std::filesystem::exists(existing);
  // A file its owner made read-only stays as it is.
  if (replacing && !std::fstream(target, std::ios::binary | std::ios::in | std::ios::out)) {
    throw FileCreateError(fileName);
  }
  const std::filesystem::path temporary = TemporaryPathBeside(target);
  bool written = false;
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (file) {
      file.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
      file.close();
      written = !file.fail();
    }
  }
  error.clear();
  if (written && replacing) {
    std::filesystem::permissions(temporary, existing.permissions(), error);
  }
  if (written && !error) {
    std::filesystem::rename(temporary, target, error);
  }
  if (!written || error) {
    std::filesystem::remove(temporary, error);
    throw FileCreateError(fileName);
  }
}

}  // namespace morvane::preset
