#pragma once
// Drives the native windows of shown controls as a user would, and reads back what they show.
// For tests of the native peers only.

#include <cstdint>
#include <string>

#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::platform::testing {

// Window text; for a status bar the first panel's text.
std::string NativeText(const lib::TControl& control);
bool NativeEnabled(const lib::TControl& control);
bool NativeVisible(const lib::TControl& control);
int NativeItemIndex(const lib::TComboBox& combo);
int NativeItemCount(const lib::TComboBox& combo);
// True when `upper` lies above `lower` (two children of the same parent).
bool NativeIsAbove(const lib::TControl& upper, const lib::TControl& lower);

void UserClick(lib::TControl& button);
void UserSelect(lib::TComboBox& combo, int index);
void UserType(lib::TEdit& edit, const std::string& text);
void UserClose(lib::TForm& form);

// Real key, character, focus and wheel messages sent to the control's window.
void UserKeyDown(lib::TControl& control, lib::TKey key);
// A key that goes through the message loop (and its dialog handling) as typing does; the
// next pump delivers it.
void PostKeyDown(lib::TControl& control, lib::TKey key);
void UserChar(lib::TControl& control, char ch);
void UserFocus(lib::TControl& control);
void UserWheel(lib::TControl& control, int distance);
// The next-dialog-control message sent to the form's window.
void SendNextDialogControl(lib::TForm& form, uintptr_t wparam);
// True when the control's window has the keyboard focus.
bool NativeFocused(const lib::TControl& control);

}  // namespace kestrum::platform::testing
