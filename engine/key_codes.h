#pragma once

#include <cstdint>

namespace morvane::engine {

// Windows virtual-key codes; the window translates its toolkit's key events
// into these before it calls the engine.
using TVirtualKey = std::uint16_t;

inline constexpr TVirtualKey VK_SPACE = 0x20;
inline constexpr TVirtualKey VK_NUMPAD0 = 0x60;
inline constexpr TVirtualKey VK_NUMPAD1 = 0x61;
inline constexpr TVirtualKey VK_NUMPAD2 = 0x62;
inline constexpr TVirtualKey VK_NUMPAD3 = 0x63;
inline constexpr TVirtualKey VK_NUMPAD4 = 0x64;
inline constexpr TVirtualKey VK_NUMPAD5 = 0x65;
inline constexpr TVirtualKey VK_NUMPAD6 = 0x66;
inline constexpr TVirtualKey VK_NUMPAD7 = 0x67;
inline constexpr TVirtualKey VK_NUMPAD8 = 0x68;
inline constexpr TVirtualKey VK_NUMPAD9 = 0x69;
inline constexpr TVirtualKey VK_F3 = 0x72;
inline constexpr TVirtualKey VK_F4 = 0x73;
inline constexpr TVirtualKey VK_F7 = 0x76;
inline constexpr TVirtualKey VK_F8 = 0x77;
inline constexpr TVirtualKey VK_OEM_1 = 0xBA;
inline constexpr TVirtualKey VK_OEM_PLUS = 0xBB;
inline constexpr TVirtualKey VK_OEM_COMMA = 0xBC;
inline constexpr TVirtualKey VK_OEM_PERIOD = 0xBE;
inline constexpr TVirtualKey VK_OEM_2 = 0xBF;
inline constexpr TVirtualKey VK_OEM_4 = 0xDB;
inline constexpr TVirtualKey VK_OEM_5 = 0xDC;
inline constexpr TVirtualKey VK_OEM_6 = 0xDD;

// Letters and digits are their upper-case ASCII codes.
constexpr TVirtualKey VirtualKeyOf(char letterOrDigit) {
  return static_cast<TVirtualKey>(letterOrDigit);
}

// The modifier keys held with a key press, as a set.
class TShiftState {
 public:
  enum TShift : std::uint8_t { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

  constexpr TShiftState() = default;
  constexpr TShiftState(TShift shift) : bits_(shift) {}  // NOLINT: a set of one

  constexpr TShiftState operator|(TShiftState other) const {
    return TShiftState(static_cast<std::uint8_t>(bits_ | other.bits_));
  }
  constexpr bool Contains(TShift shift) const { return (bits_ & shift) != 0; }
  constexpr bool operator==(const TShiftState&) const = default;

 private:
  constexpr explicit TShiftState(std::uint8_t bits) : bits_(bits) {}
  std::uint8_t bits_ = 0;
};

constexpr TShiftState operator|(TShiftState::TShift a, TShiftState::TShift b) {
  return TShiftState(a) | TShiftState(b);
}

}  // namespace morvane::engine
