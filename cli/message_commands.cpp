#include <cstdint>
#include <iostream>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "name_argument.h"
#include "preset/module_messages.h"
#include "preset/value_codec.h"
#include "value_checks.h"

namespace morvane::cli {

namespace {

constexpr char kEncodableMeaning[] = "the values two data bytes carry";

int PresetNumber(const MessageOptions& o) {
  return preset::PresetNumberFor(o.channel - 1, !o.noBf);
}

void PrintMessage(std::ostream& out, const preset::Bytes& message) {
  out << FormatHex(message) << "\n";
}

}  // namespace

void RunMessageEdit(const MessageOptions& options, std::ostream& out) {
  const int value = NumberIn(options.value, EncodableRange(), "VALUE", kEncodableMeaning);
  const auto messages = preset::SendParameterMessages(ParseParam(options.param), options.layer,
                                                      options.channel - 1, value, !options.noBf);
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
  for (const preset::Bytes& message :
       preset::RenameMessages(NameToStore(options.name, std::cerr), PresetNumber(options))) {
    PrintMessage(out, message);
  }
}

void RunEncode(const MessageOptions& options, std::ostream& out) {
  const preset::TwoByteValue pair =
      preset::EncodeValue(NumberIn(options.value, EncodableRange(), "N", kEncodableMeaning));
  const std::uint8_t bytes[] = {pair.low, pair.high};
  out << FormatHex(bytes) << "\n";
}

void RunDecode(const MessageOptions& options, std::ostream& out) {
  out << preset::DecodeValue(ParseDataByte(options.low), ParseDataByte(options.high)) << "\n";
}

}  // namespace morvane::cli
