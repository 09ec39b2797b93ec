#include "file_reason.h"

#include <cctype>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#endif

namespace morvane::preset {

namespace {

namespace fs = std::filesystem;

// Why the folder that file goes in is not there, or empty when it is.
std::string MissingFolderReason(const fs::path& file) {
  const fs::path folder = file.parent_path();
  if (folder.empty()) {
    return {};
  }
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  if (fs::is_directory(status)) {
    return {};
  }
  if (fs::exists(status)) {
    return PathText(folder) + " is not a folder";
  }
  return "the folder " + PathText(folder) + " does not exist";
}

// A message of the system's as the middle of a sentence: no capital, no full stop.
std::string Lowered(std::string words) {
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) {
    words.pop_back();
  }
  if (!words.empty()) {
    words.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(words.front())));
  }
  return words;
}

// The system's own words for errors that have no plainer ones.
std::string SystemWords(unsigned long error) {
  return Lowered(std::system_category().message(static_cast<int>(error)));
}

enum class Problem { Missing, PermissionDenied, ReadOnly, DiskFull, Folder, NameTooLong, Other };

Problem ProblemOf(unsigned long error) {
#ifdef _WIN32
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return Problem::Missing;
    case ERROR_ACCESS_DENIED:
      return Problem::PermissionDenied;
    case ERROR_WRITE_PROTECT:
      return Problem::ReadOnly;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Problem::DiskFull;
    case ERROR_DIRECTORY:
      return Problem::Folder;
    case ERROR_FILENAME_EXCED_RANGE:
      return Problem::NameTooLong;
    default:
      return Problem::Other;
  }
#else
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Problem::Missing;
    case EACCES:
    case EPERM:
      return Problem::PermissionDenied;
    case EROFS:
      return Problem::ReadOnly;
    case ENOSPC:
    case EDQUOT:
      return Problem::DiskFull;
    case EISDIR:
      return Problem::Folder;
    case ENAMETOOLONG:
      return Problem::NameTooLong;
    default:
      return Problem::Other;
  }
#endif
}

}  // namespace

std::string FileKindReason(FileKind kind) {
  switch (kind) {
    case FileKind::Regular:
      return {};
    case FileKind::Folder:
      return "it is a folder";
    case FileKind::Pipe:
      return "it is a pipe, not a file";
    case FileKind::Device:
      return "it is a device, not a file";
    case FileKind::Socket:
      return "it is a socket, not a file";
    case FileKind::Other:
      break;
  }
  return "it is not a file";
}

FileKind KindOfType(fs::file_type type) {
  switch (type) {
    case fs::file_type::regular:
      return FileKind::Regular;
    case fs::file_type::directory:
      return FileKind::Folder;
    case fs::file_type::fifo:
      return FileKind::Pipe;
    case fs::file_type::character:
    case fs::file_type::block:
      return FileKind::Device;
    case fs::file_type::socket:
      return FileKind::Socket;
    default:
      return FileKind::Other;
  }
}

std::string ErrorCodeReason(const std::error_code& error, const fs::path& file) {
#ifdef _WIN32
  if (error.category() == std::system_category()) {
    return SystemErrorReason(static_cast<unsigned long>(error.value()), file);
  }
  if (error == std::errc::no_such_file_or_directory) {
    return SystemErrorReason(ERROR_FILE_NOT_FOUND, file);
  }
  if (error == std::errc::permission_denied) {
    return SystemErrorReason(ERROR_ACCESS_DENIED, file);
  }
  return Lowered(error.message());
#else
  // std::filesystem reports the system's errno values here.
  return SystemErrorReason(static_cast<unsigned long>(error.value()), file);
#endif
}

std::string TooLargeReason(std::uintmax_t size, const FileSizeLimit& limit) {
  return "it holds " + std::to_string(size) + " bytes, more than the " +
         std::to_string(limit.bytes) + " bytes of " + limit.holder;
}

std::string SystemErrorReason(unsigned long error, const fs::path& file) {
  switch (ProblemOf(error)) {
    case Problem::Missing: {
      const std::string folder = MissingFolderReason(file);
      return folder.empty() ? "it does not exist" : folder;
    }
    case Problem::PermissionDenied: {
      // Windows says so for a folder opened as a file, too.
      std::error_code ignored;
      return fs::is_directory(file, ignored) ? FileKindReason(FileKind::Folder)
                                             : "permission denied";
    }
    case Problem::ReadOnly:
      return "the folder is read-only";
    case Problem::DiskFull:
      return "the disk is full";
    case Problem::Folder:
      return FileKindReason(FileKind::Folder);
    case Problem::NameTooLong:
      return "its name is too long";
    case Problem::Other:
      break;
  }
  return SystemWords(error);
}

std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace morvane::preset
