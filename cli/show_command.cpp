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

// The caption in quotes, or "-" where the control refuses the value and keeps what it showed.
std::string ShownCaption(const ControlSpec& control, int storedValue) {
  const auto caption = parammap::ShownCaptionText(control, storedValue);
  return caption ? "\"" + *caption + "\"" : kKeptCaption;
}

}  // namespace

void RunShow(const ShowOptions& options, std::ostream& out) {
  preset::tMrv image = LoadPresetFile(options.file);
  for (const Page page : kShownPages) {
    const int layer = parammap::LayerReadOn(page, options.layer);
    for (const ControlSpec& control : parammap::ControlsOn(page)) {
      const preset::ParamNumber param{control.Ctrl1(), control.Ctrl2()};
      const int value = parammap::StoredValue(image, control, layer);
      out << control.name << " " << FormatParam(param) << " " << value << " "
          << ShownCaption(control, value);
      if (options.names) {
        const auto name = parammap::GenericParameterName(control.parameter);
        out << " " << (name ? "\"" + *name + "\"" : kNoName);
      }
      out << "\n";
    }
  }
}

}  // namespace morvane::cli
