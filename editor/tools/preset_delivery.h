#pragma once

#include <QString>
#include <vector>

#include "parammap/value_slots.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"

namespace morvane::editor {

class TChannelOwner;

// The strings that bring the module from `from` to `to` as edits of presetNumber: preset-select,
// layer-select and the edit for each value of valueSlots that differs; nothing when anything else
// differs or a dump costs less (parammap's EditsAreCheaper), and then the caller sends a dump.
std::optional<std::vector<preset::Bytes>> EditStrings(
    const preset::tMrv& from, const preset::tMrv& to,
    const std::vector<parammap::ValueSlot>& valueSlots, int presetNumber);

// Makes after the channel's preset as one undo step named label, and brings the module there
// by the cheaper way: the changed values of valueSlots as edits, or one dump to presetNumber,
// with done on the status bar once the driver took it.
void DeliverPreset(TChannelOwner& channels, int channelIndex, int presetNumber,
                   const preset::tMrv& after, const std::vector<parammap::ValueSlot>& valueSlots,
                   const QString& label, const QString& done);

}  // namespace morvane::editor
