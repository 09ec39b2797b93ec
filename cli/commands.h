#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "preset/tmrv.h"

namespace morvane::cli {

// A preset file's image; a file that is not one framed dump (a text, a bank) is refused.
preset::tMrv LoadPresetFile(const std::string& fileName);

// Subcommands that read and change .syx files: info, get, set, rename, copy-layer, dump, diff, new.
// exitStatus receives what the command's result asks the program to end with (diff: 1 when the
// presets differ); it stays 0 otherwise.
void AddFileCommands(CLI::App& app, std::ostream& out, int& exitStatus);
// The show subcommand: a preset as the editor window's value controls show it.
void AddShowCommand(CLI::App& app, std::ostream& out);
// Subcommands that print messages and values: msg ..., encode, decode.
void AddMessageCommands(CLI::App& app, std::ostream& out);
// The bank subcommands: split a bank file into preset files, join preset files into a bank.
void AddBankCommand(CLI::App& app);
// The ls subcommand: the presets of a folder of .syx files.
void AddLsCommand(CLI::App& app, std::ostream& out, std::ostream& err);

}  // namespace morvane::cli
