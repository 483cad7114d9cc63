#pragma once
// Virtual-key codes, shift state and the message numbers the controls' keyboard navigation uses.
// The codes are the Windows ones, so native peers pass them through unchanged.

#include <cstdint>

namespace kestrum::toolkit {

using TKey = uint16_t;

constexpr TKey kVkBack = 0x08;
constexpr TKey kVkTab = 0x09;
constexpr TKey kVkReturn = 0x0D;
constexpr TKey kVkShift = 0x10;
constexpr TKey kVkControl = 0x11;
constexpr TKey kVkEscape = 0x1B;
constexpr TKey kVkSpace = 0x20;
constexpr TKey kVkPrior = 0x21;
constexpr TKey kVkNext = 0x22;
constexpr TKey kVkEnd = 0x23;
constexpr TKey kVkHome = 0x24;
constexpr TKey kVkLeft = 0x25;
constexpr TKey kVkUp = 0x26;
constexpr TKey kVkRight = 0x27;
constexpr TKey kVkDown = 0x28;
constexpr TKey kVkInsert = 0x2D;
constexpr TKey kVkDelete = 0x2E;

// Modifier keys held down with a key: a set of the flags below.
using TShiftState = uint8_t;
constexpr TShiftState kShiftNone = 0;
constexpr TShiftState kShiftShift = 1;
constexpr TShiftState kShiftAlt = 2;
constexpr TShiftState kShiftCtrl = 4;

// Message asking a form to move the focus: wParam 0 next, 1 previous, lParam 0.
constexpr uint32_t kMsgNextDialogControl = 0x28;
constexpr uintptr_t kNextControl = 0;
constexpr uintptr_t kPreviousControl = 1;
// Toolkit query offering a key to the parents of the control it went down in.
constexpr uint32_t kMsgChildKey = 0xB02E;

// One notch of the mouse wheel; positive turns away from the user.
constexpr int kWheelDelta = 120;

}  // namespace kestrum::toolkit
