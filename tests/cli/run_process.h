#pragma once

#include <string>
#include <vector>

namespace morvane::cli::testing {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the morvane tool with these arguments through the shell, capturing both streams.
ProcessResult RunTool(const std::vector<std::string>& arguments);

}  // namespace morvane::cli::testing
