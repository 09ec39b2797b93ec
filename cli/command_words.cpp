#include "command_words.h"

#include <string_view>

namespace morvane::cli {

std::optional<std::string> UnknownCommandMessage(const CLI::App& app, int argc,
                                                 const char* const* argv) {
  const CLI::App* command = &app;
  std::string path;
  std::string helpPath = app.get_name();
  for (int index = 1; index < argc && command->get_require_subcommand_min() > 0; ++index) {
    const std::string word = argv[index];
    if (word.empty() || word.front() == '-') {
      return std::nullopt;
    }
    path += (path.empty() ? "" : " ") + word;
    const auto found =
        command->get_subcommands([&word](const CLI::App* sub) { return sub->check_name(word); });
    if (found.empty()) {
      return "Unknown command '" + path + "'; `" + helpPath + " --help` lists the commands";
    }
    command = found.front();
    helpPath += " " + command->get_name();
  }
  return std::nullopt;
}

}  // namespace morvane::cli
