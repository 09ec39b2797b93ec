#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "file_io.h"

namespace morvane::preset {

// What stands at a path where a regular file was wanted.
enum class FileKind { Regular, Folder, Pipe, Device, Socket, Other };

// "it is a folder", "it is a pipe, not a file", ...; empty for a regular file.
std::string FileKindReason(FileKind kind);

// The kind of file a status names.
FileKind KindOfType(std::filesystem::file_type type);

// Plain words for an error std::filesystem reported for file.
std::string ErrorCodeReason(const std::error_code& error, const std::filesystem::path& file);

// "it holds N bytes, more than the M bytes of <holder>".
std::string TooLargeReason(std::uintmax_t size, const FileSizeLimit& limit);

// Plain words for the error the system gave for file: errno on POSIX, GetLastError() on
// Windows. "it does not exist", "the folder F does not exist", "permission denied", "the folder
// is read-only", "the disk is full", and the system's own words for the rarer ones.
std::string SystemErrorReason(unsigned long error, const std::filesystem::path& file);

}  // namespace morvane::preset
