#pragma once

#include <CLI/CLI.hpp>
#include <ostream>

namespace morvane::cli {

// Subcommands that read and change .syx files: info, get, set, rename, copy-layer, dump, diff, new.
void AddFileCommands(CLI::App& app, std::ostream& out);
// The show subcommand: a preset as the editor window's value controls show it.
void AddShowCommand(CLI::App& app, std::ostream& out);
// Subcommands that print messages and values: msg ..., encode, decode.
void AddMessageCommands(CLI::App& app, std::ostream& out);
// The bank subcommands: split a bank file into preset files, join preset files into a bank.
void AddBankCommand(CLI::App& app);
// The ls subcommand: the presets of a folder of .syx files.
void AddLsCommand(CLI::App& app, std::ostream& out, std::ostream& err);

}  // namespace morvane::cli
