#include <string>

#include "arguments.h"
#include "commands.h"
#include "parammap/generic_list.h"
#include "parammap/param_map.h"
#include "parammap/preset_view.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"

namespace morvane::cli {

namespace {

using parammap::ControlSpec;
using parammap::Page;

constexpr Page kShownPages[] = {Page::Common, Page::Layer, Page::Patchcords};
constexpr char kKeptCaption[] = "-";
constexpr char kNoName[] = "-";

struct ShowOptions {
  std::string file;
  int layer = kMinLayer;
  bool names = false;
};

// The caption in quotes, or "-" where the control refuses the value and keeps what it showed.
std::string ShownCaption(const ControlSpec& control, int storedValue) {
  const auto caption = parammap::ShownCaptionText(control, storedValue);
  return caption ? "\"" + *caption + "\"" : kKeptCaption;
}

}  // namespace

void AddShowCommand(CLI::App& app, std::ostream& out) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* show = app.add_subcommand(
      "show",
      "Print each value control of the Common, Layer and Patchcords pages as the "
      "window shows the preset: NAME HH:LL VALUE \"CAPTION\" (- where it keeps its "
      "previous caption)");
  show->add_option("FILE", options->file, "A .syx preset file")->required();
  show->add_option("--layer", options->layer,
                   "The layer that the Layer and Patchcords pages show, 1-4")
      ->check(CLI::Range(kMinLayer, kMaxLayer));
  show->add_flag("--names", options->names,
                 "Add each control's parameter name from parms.txt in quotes (- for the "
                 "preset-wide controls, which the list does not hold)");
  show->callback([options, &out] {
    preset::tMrv image = LoadPresetFile(options->file);
    for (const Page page : kShownPages) {
      const int layer = parammap::LayerReadOn(page, options->layer);
      for (const ControlSpec& control : parammap::ControlsOn(page)) {
        const preset::ParamNumber param{control.Ctrl1(), control.Ctrl2()};
        const int value = parammap::StoredValue(image, control, layer);
        out << control.name << " " << FormatParam(param) << " " << value << " "
            << ShownCaption(control, value);
        if (options->names) {
          const auto name = parammap::GenericParameterName(control.parameter);
          out << " " << (name ? "\"" + *name + "\"" : kNoName);
        }
        out << "\n";
      }
    }
  });
}

}  // namespace morvane::cli
