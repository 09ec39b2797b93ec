#include "channel_claim.h"

namespace morvane::editor {

std::optional<TKeepingRight> ClaimChannels(TEditorInstance& instance, const QString& file,
                                           bool newInstance, int deadlineMs) {
  if (newInstance) {
    return TKeepingRight{false,
                         QStringLiteral("Started with --new-instance: this editor does not keep "
                                        "its channels between sessions"),
                         {}};
  }
  switch (instance.Claim(file, deadlineMs)) {
    case TClaim::HandedOver:
      return std::nullopt;
    case TClaim::NoAnswer:
      return TKeepingRight{false,
                           QStringLiteral("Another Morvane editor keeps these channels but did "
                                          "not answer: this editor does not keep its channels "
                                          "between sessions"),
                           {}};
    case TClaim::First:
      break;
  }
  return TKeepingRight{true, {}, instance.Problem()};
}

}  // namespace morvane::editor
