#include <cstdint>
#include <iostream>
#include <memory>
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

int PresetNumber(const MessageOptions& o) {
  return preset::PresetNumberFor(o.channel - 1, !o.noBf);
}

void AddChannelOptions(CLI::App* command, MessageOptions& o) {
  command->add_option("--channel", o.channel, "MIDI channel 1-16 (default 1)")
      ->check(CLI::Range(kMinChannel, kMaxChannel));
  command->add_flag("--no-bf", o.noBf,
                    "BF clear: address the channel's preset instead of the edit buffer");
}

CLI::Option* AddLayerArgument(CLI::App* command, const std::string& name, int& layer,
                              const std::string& help) {
  return command->add_option(name, layer, help)
      ->required()
      ->check(CLI::Range(kMinLayer, kMaxLayer));
}

void PrintMessage(std::ostream& out, const preset::Bytes& message) {
  out << FormatHex(message) << "\n";
}

}  // namespace

void AddMessageCommands(CLI::App& app, std::ostream& out) {
  auto options = std::make_shared<MessageOptions>();
  MessageOptions& o = *options;

  CLI::App* msg = app.add_subcommand("msg", "Print the SysEx messages the editor sends");
  msg->require_subcommand(1);

  CLI::App* edit =
      msg->add_subcommand("edit", "The preset-select, layer-select and parameter-edit strings");
  edit->add_option("PARAM", o.param, "Parameter: decimal (1410) or HH:LL hexadecimal (0B:02)")
      ->required();
  edit->add_option("VALUE", o.value, "The value (negative numbers allowed)")->required();
  edit->add_option("--layer", o.layer, "0 for the common block (default), 1-4 for a layer")
      ->check(CLI::Range(kCommonLayer, kMaxLayer));
  AddChannelOptions(edit, o);
  edit->callback([options, &out] {
    const int value = NumberIn(options->value, EncodableRange(), "VALUE", kEncodableMeaning);
    const auto messages = preset::SendParameterMessages(
        ParseParam(options->param), options->layer, options->channel - 1, value, !options->noBf);
    for (const preset::Bytes& message : messages) {
      PrintMessage(out, message);
    }
  });

  CLI::App* request = msg->add_subcommand("request", "The dump request");
  AddChannelOptions(request, o);
  request->callback(
      [options, &out] { PrintMessage(out, preset::DumpRequestMessage(PresetNumber(*options))); });

  CLI::App* copy = msg->add_subcommand("copy", "The layer copy");
  AddLayerArgument(copy, "FROM", o.fromLayer, "Source layer 1-4");
  AddLayerArgument(copy, "TO", o.toLayer, "Target layer 1-4");
  AddChannelOptions(copy, o);
  copy->callback([options, &out] {
    const int presetNumber = PresetNumber(*options);
    PrintMessage(out, preset::LayerCopyMessage(presetNumber, options->fromLayer - 1, presetNumber,
                                               options->toLayer - 1));
  });

  CLI::App* mute = msg->add_subcommand("mute", "The layer mute");
  AddLayerArgument(mute, "LAYER", o.layer, "Layer 1-4");
  mute->callback(
      [options, &out] { PrintMessage(out, preset::LayerMuteMessage(options->layer - 1)); });

  CLI::App* unmute = msg->add_subcommand("unmute", "The layer unmute");
  AddLayerArgument(unmute, "LAYER", o.layer, "Layer 1-4");
  unmute->callback(
      [options, &out] { PrintMessage(out, preset::LayerUnmuteMessage(options->layer - 1)); });

  CLI::App* rename = msg->add_subcommand("rename", "The 18 strings of a rename");
  rename->add_option("NAME", o.name, "Up to 16 characters")->required();
  AddChannelOptions(rename, o);
  rename->callback([options, &out] {
    for (const preset::Bytes& message :
         preset::RenameMessages(NameToStore(options->name, std::cerr), PresetNumber(*options))) {
      PrintMessage(out, message);
    }
  });

  CLI::App* encode = app.add_subcommand("encode", "The two bytes (low, high) of a value");
  encode->add_option("N", o.value, "A signed value")->required();
  encode->callback([options, &out] {
    const preset::TwoByteValue pair =
        preset::EncodeValue(NumberIn(options->value, EncodableRange(), "N", kEncodableMeaning));
    const std::uint8_t bytes[] = {pair.low, pair.high};
    out << FormatHex(bytes) << "\n";
  });

  CLI::App* decode = app.add_subcommand("decode", "The value of two hexadecimal bytes");
  decode->add_option("LOW", o.low, "Low byte, hexadecimal")->required();
  decode->add_option("HIGH", o.high, "High byte, hexadecimal")->required();
  decode->callback([options, &out] {
    out << preset::DecodeValue(ParseDataByte(options->low), ParseDataByte(options->high)) << "\n";
  });
}

}  // namespace morvane::cli
