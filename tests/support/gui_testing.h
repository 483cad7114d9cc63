#pragma once
// Drives the native windows of shown controls as a user would, and reads back what they show.
// For tests of the native peers only.

#include <cstdint>
#include <string>

#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::support {

// Window text; for a status bar the first panel's text.
std::string NativeText(const toolkit::TControl& control);
bool NativeEnabled(const toolkit::TControl& control);
bool NativeVisible(const toolkit::TControl& control);
int NativeItemIndex(const toolkit::TComboBox& combo);
int NativeItemCount(const toolkit::TComboBox& combo);
// True when `upper` lies above `lower` (two children of the same parent).
bool NativeIsAbove(const toolkit::TControl& upper, const toolkit::TControl& lower);

void UserClick(toolkit::TControl& button);
void UserSelect(toolkit::TComboBox& combo, int index);
void UserType(toolkit::TEdit& edit, const std::string& text);
void UserClose(toolkit::TForm& form);

// Real key, character, focus and wheel messages sent to the control's window.
void UserKeyDown(toolkit::TControl& control, toolkit::TKey key);
// A key that goes through the message loop (and its dialog handling) as typing does; the
// next pump delivers it.
void PostKeyDown(toolkit::TControl& control, toolkit::TKey key);
void UserChar(toolkit::TControl& control, char ch);
void UserFocus(toolkit::TControl& control);
void UserWheel(toolkit::TControl& control, int distance);
// The next-dialog-control message sent to the form's window.
void SendNextDialogControl(toolkit::TForm& form, uintptr_t wparam);
// True when the control's window has the keyboard focus.
bool NativeFocused(const toolkit::TControl& control);

}  // namespace kestrum::support
