#pragma once

// The few calls of the operating system that files here need, on POSIX and on Windows.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "file_reason.h"

namespace morvane::preset {

#ifdef _WIN32
using NativeHandle = HANDLE;
inline const NativeHandle kNoHandle = INVALID_HANDLE_VALUE;
#else
using NativeHandle = int;
inline constexpr NativeHandle kNoHandle = -1;
#endif

// An open file, closed when it goes.
class FileHandle {
 public:
  explicit FileHandle(NativeHandle handle = kNoHandle) : FHandle(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }
  NativeHandle Get() const { return FHandle; }
  bool IsOpen() const { return FHandle != kNoHandle; }
  void Reset(NativeHandle handle) {
    Close();
    FHandle = handle;
  }
  // False, with the system's error, when closing reports a failure of an earlier write.
  bool Close() {
    if (!IsOpen()) {
      return true;
    }
#ifdef _WIN32
    const bool closed = CloseHandle(FHandle) != 0;
#else
    const bool closed = ::close(FHandle) == 0;
#endif
    FHandle = kNoHandle;
    return closed;
  }

 private:
  NativeHandle FHandle;
};

// The error of the last system call that failed on this thread.
inline unsigned long LastSystemError() {
#ifdef _WIN32
  return GetLastError();
#else
  return static_cast<unsigned long>(errno);
#endif
}

#ifdef _WIN32
inline FileKind KindOfHandle(HANDLE handle) {
  switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
      return FileKind::Regular;
    case FILE_TYPE_CHAR:
      return FileKind::Device;
    case FILE_TYPE_PIPE:
      return FileKind::Pipe;
    default:
      return FileKind::Other;
  }
}
#else
inline FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) {
    return FileKind::Regular;
  }
  if (S_ISDIR(mode)) {
    return FileKind::Folder;
  }
  if (S_ISFIFO(mode)) {
    return FileKind::Pipe;
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return FileKind::Device;
  }
  if (S_ISSOCK(mode)) {
    return FileKind::Socket;
  }
  return FileKind::Other;
}
#endif

}  // namespace morvane::preset
