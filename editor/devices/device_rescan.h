#pragma once

#include <QString>

namespace morvane::editor {

enum class TPortDirection { Output, Input };

// The one wording of a chosen device whose port is closed, when an edit or a request meets it.
QString ClosedDeviceText(TPortDirection direction, const QString& name);
// A chosen device that a rescan no longer finds.
QString MissingDeviceText(TPortDirection direction, const QString& name);
// A rescan that found every chosen device.
QString RescannedText(int outputCount, int inputCount);

}  // namespace morvane::editor
