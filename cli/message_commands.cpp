#include <string>

#include "arguments.h"
#include "commands.h"
#include "preset/module_messages.h"
#include "preset/value_codec.h"

namespace morvane::cli {

namespace {

int PresetNumber(const MessageOptions& o) {
  return preset::PresetNumberFor(o.channel - 1, !o.noBf);
}

void PrintMessage(std::ostream& out, const preset::Bytes& message) {
  out << FormatHex(message) << "\n";
}

}  // namespace

void RunMessageEdit(const MessageOptions& options, std::ostream& out) {
  const auto messages = preset::SendParameterMessages(
      ParseParam(options.param), options.layer, options.channel - 1, options.value, !options.noBf);
  for (const preset::Bytes& message : messages) {
    PrintMessage(out, message);
  }
}

void RunMessageRequest(const MessageOptions& options, std::ostream& out) {
  PrintMessage(out, preset::DumpRequestMessage(PresetNumber(options)));
}

void RunMessageCopy(const MessageOptions& options, std::ostream& out) {
  const int presetNumber = PresetNumber(options);
  PrintMessage(out, preset::LayerCopyMessage(presetNumber, options.fromLayer - 1, presetNumber,
                                             options.toLayer - 1));
}

void RunMessageMute(const MessageOptions& options, std::ostream& out) {
  PrintMessage(out, preset::LayerMuteMessage(options.layer - 1));
}

void RunMessageUnmute(const MessageOptions& options, std::ostream& out) {
  PrintMessage(out, preset::LayerUnmuteMessage(options.layer - 1));
}

void RunMessageRename(const MessageOptions& options, std::ostream& out) {
  for (const preset::Bytes& message : preset::RenameMessages(options.name, PresetNumber(options))) {
    PrintMessage(out, message);
  }
}

void RunEncode(const MessageOptions& options, std::ostream& out) {
  const preset::TwoByteValue pair = preset::EncodeValue(options.value);
  const std::uint8_t bytes[] = {pair.low, pair.high};
  out << FormatHex(bytes) << "\n";
}

void RunDecode(const MessageOptions& options, std::ostream& out) {
  out << preset::DecodeValue(ParseHexByte(options.low), ParseHexByte(options.high)) << "\n";
}

}  // namespace morvane::cli
