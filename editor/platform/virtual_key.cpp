#include "virtual_key.h"

#include <array>
#include <utility>

namespace morvane::editor {

namespace {

using engine::TVirtualKey;

constexpr TVirtualKey kBackspace = 0x08;
constexpr TVirtualKey kTab = 0x09;
constexpr TVirtualKey kReturn = 0x0D;
constexpr TVirtualKey kShift = 0x10;
constexpr TVirtualKey kControl = 0x11;
constexpr TVirtualKey kMenu = 0x12;
constexpr TVirtualKey kEscape = 0x1B;
constexpr TVirtualKey kLeft = 0x25;
constexpr TVirtualKey kUp = 0x26;
constexpr TVirtualKey kRight = 0x27;
constexpr TVirtualKey kDown = 0x28;
constexpr TVirtualKey kDelete = 0x2E;
constexpr TVirtualKey kMultiply = 0x6A;
constexpr TVirtualKey kAdd = 0x6B;
constexpr TVirtualKey kSubtract = 0x6D;
constexpr TVirtualKey kDecimal = 0x6E;
constexpr TVirtualKey kDivide = 0x6F;
constexpr TVirtualKey kF1 = 0x70;
constexpr TVirtualKey kOemMinus = 0xBD;
constexpr TVirtualKey kOem3 = 0xC0;
constexpr TVirtualKey kOem7 = 0xDE;
constexpr int kFunctionKeyCount = 24;

// Keys of the main block, with the symbols that Shift gives on a US layout.
constexpr std::array<std::pair<int, TVirtualKey>, 45> kMainKeys{{
    {Qt::Key_Space, engine::VK_SPACE},
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Comma, engine::VK_OEM_COMMA},
    {Qt::Key_Less, engine::VK_OEM_COMMA},
    {Qt::Key_Period, engine::VK_OEM_PERIOD},
    {Qt::Key_Greater, engine::VK_OEM_PERIOD},
    {Qt::Key_Semicolon, engine::VK_OEM_1},
    {Qt::Key_Colon, engine::VK_OEM_1},
    {Qt::Key_Slash, engine::VK_OEM_2},
    {Qt::Key_Question, engine::VK_OEM_2},
    {Qt::Key_BracketLeft, engine::VK_OEM_4},
    {Qt::Key_BraceLeft, engine::VK_OEM_4},
    {Qt::Key_Equal, engine::VK_OEM_PLUS},
    {Qt::Key_Plus, engine::VK_OEM_PLUS},
    {Qt::Key_BracketRight, engine::VK_OEM_6},
    {Qt::Key_BraceRight, engine::VK_OEM_6},
    {Qt::Key_Backslash, engine::VK_OEM_5},
    {Qt::Key_Bar, engine::VK_OEM_5},
    {Qt::Key_Minus, kOemMinus},
    {Qt::Key_Underscore, kOemMinus},
    {Qt::Key_QuoteLeft, kOem3},
    {Qt::Key_AsciiTilde, kOem3},
    {Qt::Key_Apostrophe, kOem7},
    {Qt::Key_QuoteDbl, kOem7},
    {Qt::Key_Backspace, kBackspace},
    {Qt::Key_Tab, kTab},
    {Qt::Key_Return, kReturn},
    {Qt::Key_Enter, kReturn},
    {Qt::Key_Shift, kShift},
    {Qt::Key_Control, kControl},
    {Qt::Key_Alt, kMenu},
    {Qt::Key_Escape, kEscape},
    {Qt::Key_Left, kLeft},
    {Qt::Key_Up, kUp},
    {Qt::Key_Right, kRight},
    {Qt::Key_Down, kDown},
}};

// Keys of the numeric keypad other than its digits.
constexpr std::array<std::pair<int, TVirtualKey>, 6> kKeypadKeys{{
    {Qt::Key_Asterisk, kMultiply},
    {Qt::Key_Plus, kAdd},
    {Qt::Key_Minus, kSubtract},
    {Qt::Key_Period, kDecimal},
    {Qt::Key_Comma, kDecimal},
    {Qt::Key_Slash, kDivide},
}};

template <std::size_t N>
TVirtualKey Lookup(const std::array<std::pair<int, TVirtualKey>, N>& table, int key) {
  for (const auto& [qtKey, code] : table) {
    if (qtKey == key) {
      return code;
    }
  }
  return kNoVirtualKey;
}

}  // namespace

TVirtualKey VirtualKeyOf(const QKeyEvent& event) {
#ifdef Q_OS_WIN
  if (event.nativeVirtualKey() != 0) {
    return static_cast<TVirtualKey>(event.nativeVirtualKey());
  }
#endif
  const int key = event.key();
  const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return static_cast<TVirtualKey>((keypad ? engine::VK_NUMPAD0 : '0') + (key - Qt::Key_0));
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    return static_cast<TVirtualKey>('A' + (key - Qt::Key_A));
  }
  if (key >= Qt::Key_F1 && key < Qt::Key_F1 + kFunctionKeyCount) {
    return static_cast<TVirtualKey>(kF1 + (key - Qt::Key_F1));
  }
  if (key == Qt::Key_Delete) {
    return kDelete;
  }
  if (keypad) {
    if (const TVirtualKey code = Lookup(kKeypadKeys, key); code != kNoVirtualKey) {
      return code;
    }
  }
  return Lookup(kMainKeys, key);
}

engine::TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers) {
  engine::TShiftState state;
  if (modifiers.testFlag(Qt::ShiftModifier)) {
    state = state | engine::TShiftState::ssShift;
  }
  if (modifiers.testFlag(Qt::AltModifier)) {
    state = state | engine::TShiftState::ssAlt;
  }
  if (modifiers.testFlag(Qt::ControlModifier)) {
    state = state | engine::TShiftState::ssCtrl;
  }
  return state;
}

}  // namespace morvane::editor
