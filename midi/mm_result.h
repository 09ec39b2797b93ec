#pragma once

#include <cstdint>

namespace morvane::midi {

// Result code of a driver call; 0 is success. The numbers follow the platform
// multimedia services so that the Windows backend passes them through unchanged.
using MmResult = std::uint32_t;

inline constexpr MmResult kNoError = 0;
inline constexpr MmResult kGeneralError = 1;
inline constexpr MmResult kBadDeviceId = 2;
inline constexpr MmResult kNotEnabled = 3;
inline constexpr MmResult kAllocated = 4;
inline constexpr MmResult kInvalidHandle = 5;
inline constexpr MmResult kNoDriver = 6;
inline constexpr MmResult kNoMemory = 7;
inline constexpr MmResult kNotSupported = 8;
inline constexpr MmResult kInvalidParameter = 11;
inline constexpr MmResult kUnprepared = 64;
inline constexpr MmResult kStillPlaying = 65;
inline constexpr MmResult kNotReady = 67;

// Messages a driver passes to its callback.
inline constexpr std::uint32_t kMimOpen = 0x3C1;
inline constexpr std::uint32_t kMimClose = 0x3C2;
inline constexpr std::uint32_t kMimData = 0x3C3;
inline constexpr std::uint32_t kMimLongData = 0x3C4;
inline constexpr std::uint32_t kMimError = 0x3C5;
inline constexpr std::uint32_t kMimLongError = 0x3C6;
inline constexpr std::uint32_t kMomOpen = 0x3C7;
inline constexpr std::uint32_t kMomClose = 0x3C8;
inline constexpr std::uint32_t kMomDone = 0x3C9;
// The device went away under an open port (its server stopped, its cable was pulled):
// param1 is the result code that says why. The device takes no more messages; the port
// still closes it. Sent once, by backends that can tell.
inline constexpr std::uint32_t kDeviceLost = 0x3FF;

}  // namespace morvane::midi
