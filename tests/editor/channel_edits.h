#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <string_view>

#include "channel_owner.h"
#include "preset/tmrv.h"
#include "tform1.h"

namespace morvane::editor::testing {

// Changes a channel's image through the channel owner, as a loaded file would: one step to undo,
// the channel marked, and the window showing it again when it is the channel on show.
inline void ChangeImage(TForm1& form, std::size_t channelIndex,
                        const std::function<void(preset::tMrv& image)>& change) {
  form.Channels().Change(static_cast<int>(channelIndex), QStringLiteral("test"), change);
}

inline void RenameImage(TForm1& form, std::size_t channelIndex, std::string_view name) {
  ChangeImage(form, channelIndex, [&name](preset::tMrv& image) { image.WriteName(name); });
}

}  // namespace morvane::editor::testing
