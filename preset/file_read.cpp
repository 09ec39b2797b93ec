// Reading a whole file, looked at before it is read: nothing here waits on a pipe or a device,
// and nothing larger than its reader can hold is taken into memory.
#include <algorithm>

#include "file_io.h"
#include "file_reason.h"
#include "file_system.h"
#include "preset_errors.h"

namespace morvane::preset {

namespace {

namespace fs = std::filesystem;

// Refuses what is not a regular file of at most limit's bytes.
void CheckFile(const std::string& fileName, FileKind kind, std::uintmax_t size,
               const FileSizeLimit& limit) {
  if (kind != FileKind::Regular) {
    throw FileOpenError(fileName, FileKindReason(kind));
  }
  if (size > limit.bytes) {
    throw FileOpenError(fileName, TooLargeReason(size, limit));
  }
}

// Reads up to one byte more than the limit, so that a file that grew since it was looked at is
// noticed rather than cut. readSome reads into a span and returns how many bytes it read, 0 at
// the end of the file.
template <typename ReadSome>
Bytes ReadUpToLimit(const std::string& fileName, std::uintmax_t size, const FileSizeLimit& limit,
                    ReadSome readSome) {
  const std::size_t most = static_cast<std::size_t>(limit.bytes) + 1;
  Bytes bytes(static_cast<std::size_t>(std::min(size, limit.bytes)) + 1);
  std::size_t read = 0;
  for (;;) {
    if (read == bytes.size()) {
      if (bytes.size() == most) {
        throw FileOpenError(fileName, "it grew to more than the " + std::to_string(limit.bytes) +
                                          " bytes of " + limit.holder + " while it was read");
      }
      bytes.resize(std::min(bytes.size() * 2, most));
    }
    const std::size_t count = readSome(std::span(bytes).subspan(read));
    if (count == 0) {
      break;
    }
    read += count;
  }
  bytes.resize(read);
  return bytes;
}

}  // namespace

Bytes ReadWholeFile(const std::string& fileName, const FileSizeLimit& limit) {
  return ReadWholeFile(fs::path(fileName), fileName, limit);
}

Bytes ReadWholeFile(const fs::path& path, const std::string& fileName, const FileSizeLimit& limit) {
#ifdef _WIN32
  // A folder does not open as a file: the error says access denied, which the reason tells
  // apart. A device or a pipe opens, and is refused by its type before a byte is read.
  const std::wstring wide = path.wstring();
  const FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) {
    throw FileOpenError(fileName, SystemErrorReason(LastSystemError(), path));
  }
  const FileKind kind = KindOfHandle(file.Get());
  LARGE_INTEGER size{};
  if (kind == FileKind::Regular && !GetFileSizeEx(file.Get(), &size)) {
    throw FileOpenError(fileName, SystemErrorReason(LastSystemError(), path));
  }
  CheckFile(fileName, kind, static_cast<std::uintmax_t>(size.QuadPart), limit);
  return ReadUpToLimit(
      fileName, static_cast<std::uintmax_t>(size.QuadPart), limit,
      [&](std::span<std::uint8_t> into) {
        DWORD count = 0;
        if (!ReadFile(file.Get(), into.data(), static_cast<DWORD>(into.size()), &count, nullptr)) {
          throw FileOpenError(fileName, SystemErrorReason(LastSystemError(), path));
        }
        return static_cast<std::size_t>(count);
      });
#else
  // Looked at before it is opened, since opening a device can already do something; looked at
  // again once open, since the path may name something else by then. O_NONBLOCK keeps the open
  // of a pipe from waiting for a writer.
  struct stat before {};
  if (::stat(path.c_str(), &before) != 0) {
    throw FileOpenError(fileName, SystemErrorReason(LastSystemError(), path));
  }
  CheckFile(fileName, KindOfMode(before.st_mode), static_cast<std::uintmax_t>(before.st_size),
            limit);
  const FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat opened {};
  if (file.Get() < 0 || ::fstat(file.Get(), &opened) != 0) {
    throw FileOpenError(fileName, SystemErrorReason(LastSystemError(), path));
  }
  CheckFile(fileName, KindOfMode(opened.st_mode), static_cast<std::uintmax_t>(opened.st_size),
            limit);
  return ReadUpToLimit(fileName, static_cast<std::uintmax_t>(opened.st_size), limit,
                       [&](std::span<std::uint8_t> into) {
                         for (;;) {
                           const ssize_t count = ::read(file.Get(), into.data(), into.size());
                           if (count >= 0) {
                             return static_cast<std::size_t>(count);
                           }
                           if (errno != EINTR) {
                             throw FileOpenError(
                                 fileName,
                                 SystemErrorReason(static_cast<unsigned long>(errno), path));
                           }
                         }
                       });
#endif
}

}  // namespace morvane::preset
