#pragma once

#include <QString>
#include <optional>

#include "editor_instance.h"
#include "session_keeper.h"

namespace morvane::editor {

// What a start of the editor may do with the channels kept between sessions: keep them as the
// first editor, or not (started with --new-instance, or another editor did not answer), with
// the reason shown on the status bar. None when the running editor took file and this start
// ends.
std::optional<TKeepingRight> ClaimChannels(TEditorInstance& instance, const QString& file,
                                           bool newInstance, int deadlineMs);

}  // namespace morvane::editor
