#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

namespace morvane::cli {

// The message for a command the tool does not have ("Unknown command 'frobnicate'; `morvane
// --help` lists the commands"), or nullopt when the arguments name no such command: the words
// before the first option are followed down the commands that take a command of their own.
std::optional<std::string> UnknownCommandMessage(const CLI::App& app, int argc,
                                                 const char* const* argv);

}  // namespace morvane::cli
