// Writing a file in place of another so that a crash or a power cut leaves the old file or the
// whole new one, and removing the temporary files of writers that ended half way.
#include <atomic>
#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

#include "file_io.h"
#include "file_reason.h"
#include "file_system.h"
#include "preset_errors.h"

#ifndef _WIN32
#include <signal.h>
#endif

namespace morvane::preset {

namespace {

namespace fs = std::filesystem;

// A temporary file is named "<target's name>.tmp-<process id>-<count>": the process id tells
// whether its writer still runs.
constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr char kCountMark = '-';

unsigned long ThisProcess() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(::getpid());
#endif
}

bool ProcessRuns(unsigned long process) {
#ifdef _WIN32
  const HANDLE handle =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
  if (handle == nullptr) {
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  DWORD exitCode = 0;
  const bool runs = GetExitCodeProcess(handle, &exitCode) && exitCode == STILL_ACTIVE;
  CloseHandle(handle);
  return runs;
#else
  return ::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
#endif
}

// The writer's process id when name is one of our temporary files.
std::optional<unsigned long> WriterOfTemporary(std::string_view name) {
  const std::size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0) {
    return std::nullopt;
  }
  const std::string_view numbers = name.substr(mark + kTemporaryMark.size());
  const std::size_t countMark = numbers.find(kCountMark);
  if (countMark == std::string_view::npos) {
    return std::nullopt;
  }
  const auto isNumber = [](std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  const std::string_view process = numbers.substr(0, countMark);
  if (!isNumber(process) || !isNumber(numbers.substr(countMark + 1))) {
    return std::nullopt;
  }
  unsigned long writer = 0;
  const auto [end, error] =
      std::from_chars(process.data(), process.data() + process.size(), writer);
  if (error != std::errc() || end != process.data() + process.size()) {
    return std::nullopt;
  }
  return writer;
}

fs::path TemporaryPathBeside(const fs::path& target, unsigned count) {
  fs::path temporary = target;
  temporary += std::string(kTemporaryMark) + std::to_string(ThisProcess()) + kCountMark +
               std::to_string(count);
  return temporary;
}

// The new content on its way to the target: removed unless Replace moved it there.
class TemporaryFile {
 public:
  TemporaryFile(const std::string& fileName, const fs::path& target)
      : FFileName(fileName), FTarget(target) {
    // Numbered for each save in this process, and never over a file that is there: two savers
    // of one target never share a temporary file.
    static std::atomic<unsigned> counter{0};
    for (;;) {
      FPath = TemporaryPathBeside(target, counter.fetch_add(1));
#ifdef _WIN32
      FFile.Reset(CreateFileW(FPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!FFile.IsOpen() && GetLastError() == ERROR_FILE_EXISTS) {
        continue;
      }
#else
      constexpr mode_t kNewFileMode = 0666;
      FFile.Reset(
          ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, kNewFileMode));
      if (!FFile.IsOpen() && errno == EEXIST) {
        continue;
      }
#endif
      break;
    }
    if (!FFile.IsOpen()) {
      Fail();
    }
    FCreated = true;
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    FFile.Close();
    if (FCreated) {
      std::error_code ignored;
      fs::remove(FPath, ignored);
    }
  }

  void Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
#ifdef _WIN32
      DWORD written = 0;
      if (!WriteFile(FFile.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr)) {
        Fail();
      }
#else
      const ssize_t written = ::write(FFile.Get(), bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) {
        continue;
      }
      if (written <= 0) {
        Fail();
      }
#endif
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
  }

#ifndef _WIN32
  // Gives the new file the permissions of the file it replaces.
  void TakeMode(mode_t mode) {
    if (::fchmod(FFile.Get(), mode) != 0) {
      Fail();
    }
  }
#endif

  // Makes the content durable, puts the file in the target's place and makes that durable too.
  void Replace() {
#ifdef _WIN32
    if (!FlushFileBuffers(FFile.Get()) || !FFile.Close() ||
        !MoveFileExW(FPath.c_str(), FTarget.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      Fail();
    }
#else
    if (::fsync(FFile.Get()) != 0 || !FFile.Close() ||
        ::rename(FPath.c_str(), FTarget.c_str()) != 0) {
      Fail();
    }
    SyncFolderOf(FTarget);
#endif
    FCreated = false;
  }

 private:
  [[noreturn]] void Fail() const {
    throw FileCreateError(FFileName, SystemErrorReason(LastSystemError(), FTarget));
  }

#ifndef _WIN32
  // The rename lives in the folder: without this a power cut can undo it. A file system that
  // cannot sync a folder has nothing to sync there.
  static void SyncFolderOf(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const FileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.IsOpen()) {
      ::fsync(handle.Get());
    }
  }
#endif

  std::string FFileName;
  fs::path FTarget;
  fs::path FPath;
  FileHandle FFile;
  bool FCreated = false;
};

}  // namespace

void WriteFileReplacing(const std::string& fileName, std::span<const std::uint8_t> bytes) {
  std::error_code error;
  fs::path target(fileName);
  // A link is written through, as opening the file for writing would, not replaced by a file.
  if (fs::is_symlink(target, error)) {
    target = fs::weakly_canonical(target, error);
    if (error) {
      throw FileCreateError(fileName, "its link cannot be followed");
    }
  }
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
  if (replacing && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw FileCreateError(fileName, FileKindReason(FileKind::Folder));
  }
  if (replacing) {
    // A file its owner made read-only stays as it is; a device is never replaced.
    const FileHandle probe(CreateFileW(target.c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe.IsOpen()) {
      throw FileCreateError(fileName, SystemErrorReason(LastSystemError(), target));
    }
    if (const FileKind kind = KindOfHandle(probe.Get()); kind != FileKind::Regular) {
      throw FileCreateError(fileName, FileKindReason(kind));
    }
  }
  TemporaryFile temporary(fileName, target);
  temporary.Write(bytes);
#else
  struct stat existing {};
  const bool replacing = ::stat(target.c_str(), &existing) == 0;
  if (!replacing && errno != ENOENT) {
    throw FileCreateError(fileName, SystemErrorReason(LastSystemError(), target));
  }
  if (replacing) {
    // A folder, a pipe or a device is never replaced by a file.
    if (const FileKind kind = KindOfMode(existing.st_mode); kind != FileKind::Regular) {
      throw FileCreateError(fileName, FileKindReason(kind));
    }
    // A file its owner made read-only stays as it is.
    const FileHandle probe(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!probe.IsOpen()) {
      throw FileCreateError(fileName, SystemErrorReason(LastSystemError(), target));
    }
  }
  TemporaryFile temporary(fileName, target);
  temporary.Write(bytes);
  constexpr mode_t kPermissionBits = 07777;
  if (replacing) {
    temporary.TakeMode(existing.st_mode & kPermissionBits);
  }
#endif
  temporary.Replace();
}

int RemoveLeftTemporaries(const fs::path& folder) {
  int removed = 0;
  std::error_code error;
  for (fs::directory_iterator entries(folder, error); !error && entries != fs::directory_iterator();
       entries.increment(error)) {
    const fs::path& path = entries->path();
    const std::optional<unsigned long> writer = WriterOfTemporary(PathText(path.filename()));
    std::error_code ignored;
    if (!writer || *writer == ThisProcess() || ProcessRuns(*writer) ||
        !entries->is_regular_file(ignored)) {
      continue;
    }
    if (fs::remove(path, ignored)) {
      ++removed;
    }
  }
  return removed;
}

}  // namespace morvane::preset
