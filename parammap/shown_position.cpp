#include "parammap/param_map.h"

namespace morvane::parammap {

ItemList ItemsAfterStartUp(const ControlSpec& control) {
  switch (control.handler) {
    case ReleaseHandler::CordSource:
      return CordSourceItems();
    case ReleaseHandler::CordDestination:
      return CordDestinationItems();
    default:
      return control.items;
  }
}

std::span<const CodeEntry> CodeTableOf(const ControlSpec& control) {
  switch (control.handler) {
    case ReleaseHandler::FilterType:
      return filterTypeCodes();
    case ReleaseHandler::CordSource:
      return cordSourceCodes();
    case ReleaseHandler::CordDestination:
      return cordDestinationCodes();
    default:
      return {};
  }
}

int ImageGroup(const ControlSpec& control) {
  return control.Ctrl2() - kCommonBlock;
}

std::optional<int> ShownPosition(const ControlSpec& control, int storedValue) {
  const auto table = CodeTableOf(control);
  const std::optional<int> position =
      table.empty() ? std::optional<int>(storedValue) : PositionOfCode(table, storedValue);
  if (!position || *position < control.min || *position > control.max) {
    return std::nullopt;
  }
  return position;
}

}  // namespace morvane::parammap
