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
// A chosen device that went away while its port was open, with the driver's reason.
QString LostDeviceText(TPortDirection direction, const QString& name, const QString& reason);
// A port error met while choosing or using the device called name (empty when none is
// chosen), in words that name it and point at the Setup page and Rescan; listed tells whether
// the device list holds it. The driver's text follows on a line of its own.
QString DeviceErrorText(TPortDirection direction, const QString& name, bool listed,
                        const QString& driverText);

}  // namespace morvane::editor
