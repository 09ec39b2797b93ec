#pragma once

#include <QKeyEvent>

#include "engine/key_codes.h"

namespace morvane::editor {

// The engine's code for "no key it knows".
inline constexpr engine::TVirtualKey kNoVirtualKey = 0;

// The Windows virtual-key code of a key event: the platform's own code where the platform has
// one, otherwise the code of the key on a US layout (a shifted symbol gives the code of its
// key, so that a release with Shift changed still matches its press). kNoVirtualKey for a key
// without a code.
engine::TVirtualKey VirtualKeyOf(const QKeyEvent& event);

// Shift, Alt and Ctrl of the event's modifiers.
engine::TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

}  // namespace morvane::editor
