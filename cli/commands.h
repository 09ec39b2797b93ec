#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "arguments.h"
#include "preset/tmrv.h"

// The commands of the tool, each given the values its command line holds. Only main.cpp knows
// the command-line parser: it fills these and calls the command chosen.
namespace morvane::cli {

// A preset file's image; a file that is not one framed dump (a text, a bank) is refused.
preset::tMrv LoadPresetFile(const std::string& fileName);

// Commands that read and change .syx files: info, get, set, rename, copy-layer, dump, diff, new.
struct FileOptions {
  std::string file;
  std::string secondFile;
  std::string out;
  std::string param;
  std::string name;
  int layer = kCommonLayer;
  bool layerGiven = false;
  std::int64_t value = 0;
  bool force = false;
  int fromLayer = kMinLayer;
  int toLayer = kMinLayer;
  std::int64_t presetNumber = 0;
  bool presetGiven = false;
};
void RunInfo(const FileOptions& options, std::ostream& out);
void RunGet(const FileOptions& options, std::ostream& out);
void RunSet(const FileOptions& options);
void RunRename(const FileOptions& options);
void RunCopyLayer(const FileOptions& options);
void RunDump(const FileOptions& options, std::ostream& out);
// The exit status the result asks for: 1 when the presets differ, as diff and cmp; 0 otherwise.
int RunDiff(const FileOptions& options, std::ostream& out);
void RunNew(const FileOptions& options, std::ostream& out);

// The show command: a preset as the editor window's value controls show it.
struct ShowOptions {
  std::string file;
  int layer = kMinLayer;
  bool names = false;
};
void RunShow(const ShowOptions& options, std::ostream& out);

// Commands that print messages and values: msg ..., encode, decode.
struct MessageOptions {
  std::string param;
  std::string name;
  std::string low;
  std::string high;
  std::int64_t value = 0;
  int layer = kCommonLayer;
  int fromLayer = kMinLayer;
  int toLayer = kMinLayer;
  int channel = kMinChannel;
  bool noBf = false;
};
void RunMessageEdit(const MessageOptions& options, std::ostream& out);
void RunMessageRequest(const MessageOptions& options, std::ostream& out);
void RunMessageCopy(const MessageOptions& options, std::ostream& out);
void RunMessageMute(const MessageOptions& options, std::ostream& out);
void RunMessageUnmute(const MessageOptions& options, std::ostream& out);
void RunMessageRename(const MessageOptions& options, std::ostream& out);
void RunEncode(const MessageOptions& options, std::ostream& out);
void RunDecode(const MessageOptions& options, std::ostream& out);

// The bank commands: split a bank file into preset files, join preset files into a bank.
struct BankOptions {
  std::string bank;
  std::string dir;
  std::vector<std::string> files;
  std::string out;
};
void RunBankSplit(const BankOptions& options);
void RunBankJoin(const BankOptions& options);

// The ls command: the presets of a folder of .syx files.
struct LsOptions {
  std::string folder;
  std::string search;
};
void RunLs(const LsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace morvane::cli
