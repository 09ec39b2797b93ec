#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "run_process.h"

namespace morvane::cli::testing {

namespace {

// Quoted the way the C runtime splits a command line: backslashes are doubled only
// where a quote follows them.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() { CloseHandle(handle_); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A file handle the child inherits as one of its standard streams.
HANDLE InheritableFile(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE handle = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("could not open " + path);
  }
  return handle;
}

}  // namespace

ProcessResult RunTool(const std::vector<std::string>& arguments) {
  static std::atomic<int> counter{0};
  const auto base = std::filesystem::temp_directory_path() /
                    ("morvane-cli-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(counter.fetch_add(1)));
  const auto outPath = base.string() + ".out";
  const auto errPath = base.string() + ".err";
  std::string command = Quoted(MORVANE_TOOL);
  for (const std::string& argument : arguments) {
    command += ' ';
    command += Quoted(argument);
  }

  DWORD exitCode = 0;
  {
    const OwnedHandle in(InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING));
    const OwnedHandle out(InheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS));
    const OwnedHandle err(InheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS));
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
      throw std::runtime_error("could not run " + command + " (Windows error " +
                               std::to_string(GetLastError()) + ")");
    }
    const OwnedHandle thread(process.hThread);
    const OwnedHandle child(process.hProcess);
    if (WaitForSingleObject(child.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(child.get(), &exitCode)) {
      throw std::runtime_error("could not wait for " + command);
    }
  }
  ProcessResult result{static_cast<int>(exitCode), Slurp(outPath), Slurp(errPath)};
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return result;
}

}  // namespace morvane::cli::testing
