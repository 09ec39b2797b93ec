#include "run_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace morvane::cli::testing {

namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace

ProcessResult RunTool(const std::vector<std::string>& arguments) {
  static std::atomic<int> counter{0};
  const auto base =
      std::filesystem::temp_directory_path() /
      ("morvane-cli-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
  const auto outPath = base.string() + ".out";
  const auto errPath = base.string() + ".err";
  std::string command = Quoted(MORVANE_TOOL);
  for (const std::string& argument : arguments) {
    command += " " + Quoted(argument);
  }
  command += " >" + Quoted(outPath) + " 2>" + Quoted(errPath) + " </dev/null";
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) {
    throw std::runtime_error("could not run " + command);
  }
  ProcessResult result{WEXITSTATUS(status), Slurp(outPath), Slurp(errPath)};
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return result;
}

}  // namespace morvane::cli::testing
