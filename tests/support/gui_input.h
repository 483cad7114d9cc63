#pragma once
// Real user input for the GUI tests: keys and characters posted to the window that has the
// keyboard focus and delivered by the message loop, mouse input through the system's input
// queue, and what the windows show afterwards (focus, selection, input method, hints).
// For tests of the native peers only.

#include <functional>
#include <string>
#include <utility>

#include "toolkit/ctl_control.h"
#include "toolkit/ctl_keys.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::support {

// Delivers every pending message, the posted input included.
void Pump();
// Lets the windows settle: a window just shown is still being placed, and pointer moves of
// the display may still be on their way.
void Settle();
// A key press and release as the keyboard sends it to the focused window; `shift` holds the
// Shift key down meanwhile.
void PressKey(toolkit::TKey key, bool shift = false);
// Each character of the Shift-JIS text as a character message to the focused window.
void TypeChars(const std::string& sjis);
// Each character as the input method delivers a converted character (WM_IME_CHAR).
void TypeImeChars(const std::string& sjis);
// The text as one string the input method of the focused window composes and commits.
void CommitImeString(const std::string& sjis);
// The clipboard holds the text (as Unicode text).
void SetClipboardText(const std::string& sjis);

// A left click at (x, y) of the control's window (client pixels; negative from the right or
// bottom edge), through the system's mouse input.
void MouseClick(const toolkit::TControl& control, int x, int y);
// One notch of the wheel (`distance` +120 away from the user, -120 toward) as Windows 10 sends
// it: to the control's window, under the pointer, whichever window has the focus.
void WheelOver(const toolkit::TControl& control, int distance);
// The same click left in the input queue for the program's own next pump (returns once queued).
void QueueMouseClick(const toolkit::TControl& control, int x, int y);
// The mouse rests over the middle of the control; returns the text of the hint window that
// then appears, or empty when none appears within the time-out.
std::string HoverHint(const toolkit::TControl& control);

// Runs `inside` once the next message box of this thread is open (from the box's own loop),
// then closes the box with OK. Returns at once.
void WhileMessageBoxOpen(std::function<void()> inside);

// The control whose window (or a window inside it, as the edit of a combo box) has the focus;
// null for none.
toolkit::TControl* NativeFocusedControl();
// Selection of the focused edit window (or the combo's edit) in Shift-JIS bytes.
std::pair<int, int> NativeSelection(const toolkit::TControl& control);
bool NativeDroppedDown(const toolkit::TComboBox& combo);
// The input method of the control's window: opened or closed as its key would.
void SetImeOpen(const toolkit::TControl& control, bool open);
bool ImeOpen(const toolkit::TControl& control);

}  // namespace kestrum::support
