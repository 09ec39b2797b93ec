#include "midi/error_texts.h"

namespace morvane::midi {

MmResult StandardErrorText(MmResult code, std::string& text) {
  switch (code) {
    case kNoError:
      text = "The operation completed successfully.";
      break;
    case kGeneralError:
      text = "Unspecified error.";
      break;
    case kBadDeviceId:
      text = "The specified device identifier is out of range.";
      break;
    case kNotEnabled:
      text = "The driver failed to enable.";
      break;
    case kAllocated:
      text = "The specified device is already in use.";
      break;
    case kInvalidHandle:
      text = "The specified device handle is invalid.";
      break;
    case kNoDriver:
      text = "There is no driver installed on your system.";
      break;
    case kNoMemory:
      text = "Not enough memory available for this task.";
      break;
    case kNotSupported:
      text = "This function is not supported.";
      break;
    case kInvalidParameter:
      text = "An invalid parameter was passed to a system function.";
      break;
    case kUnprepared:
      text = "The MIDI header was not prepared.";
      break;
    case kStillPlaying:
      text = "The device is still sending a buffer.";
      break;
    case kNotReady:
      text = "The MIDI port is busy.";
      break;
    default:
      return kInvalidParameter;
  }
  return kNoError;
}

}  // namespace morvane::midi
