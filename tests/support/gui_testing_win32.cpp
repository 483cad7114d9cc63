#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <vector>

#include "support/gui_testing.h"
#include "toolkit/win32/gui_win32_internal.h"

namespace kestrum::support {
namespace {

HWND HandleOf(const toolkit::TControl& control) {
  auto* peer = dynamic_cast<toolkit::win32::TWin32Peer*>(control.Peer());
  return peer != nullptr ? peer->Handle() : nullptr;
}

std::string WindowText(HWND hwnd) {
  std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1);
  GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
  return toolkit::win32::Narrow(text.data());
}

std::string StatusText(HWND hwnd) {
  const auto length = LOWORD(SendMessageW(hwnd, SB_GETTEXTLENGTHW, 0, 0));
  std::vector<wchar_t> text(length + 1u);
  SendMessageW(hwnd, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
  return toolkit::win32::Narrow(text.data());
}

}  // namespace

std::string NativeText(const toolkit::TControl& control) {
  HWND hwnd = HandleOf(control);
  return dynamic_cast<const toolkit::TStatusBar*>(&control) != nullptr ? StatusText(hwnd)
                                                                       : WindowText(hwnd);
}

bool NativeEnabled(const toolkit::TControl& control) { return IsWindowEnabled(HandleOf(control)); }
bool NativeVisible(const toolkit::TControl& control) { return IsWindowVisible(HandleOf(control)); }

int NativeItemIndex(const toolkit::TComboBox& combo) {
  return static_cast<int>(SendMessageW(HandleOf(combo), CB_GETCURSEL, 0, 0));
}

int NativeItemCount(const toolkit::TComboBox& combo) {
  return static_cast<int>(SendMessageW(HandleOf(combo), CB_GETCOUNT, 0, 0));
}

bool NativeIsAbove(const toolkit::TControl& upper, const toolkit::TControl& lower) {
  for (HWND h = GetWindow(HandleOf(lower), GW_HWNDPREV); h != nullptr;
       h = GetWindow(h, GW_HWNDPREV)) {
    if (h == HandleOf(upper)) return true;
  }
  return false;
}

void UserClick(toolkit::TControl& button) { SendMessageW(HandleOf(button), BM_CLICK, 0, 0); }

namespace {

void NotifyParent(HWND combo, WORD code) {
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), code),
               reinterpret_cast<LPARAM>(combo));
}

}  // namespace

// As a mouse pick reports it: the open list confirms the entry, closes, then the selection
// change follows.
void UserSelect(toolkit::TComboBox& combo, int index) {
  HWND hwnd = HandleOf(combo);
  SendMessageW(hwnd, CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  NotifyParent(hwnd, CBN_SELENDOK);
  SendMessageW(hwnd, CB_SHOWDROPDOWN, FALSE, 0);
  NotifyParent(hwnd, CBN_SELCHANGE);
}

void UserType(toolkit::TEdit& edit, const std::string& text) {
  SendMessageW(HandleOf(edit), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(toolkit::win32::Wide(text).c_str()));
}

void UserClose(toolkit::TForm& form) { SendMessageW(HandleOf(form), WM_CLOSE, 0, 0); }

void UserKeyDown(toolkit::TControl& control, toolkit::TKey key) {
  HWND hwnd = HandleOf(control);
  SendMessageW(hwnd, WM_KEYDOWN, key, 1);
  SendMessageW(hwnd, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void PostKeyDown(toolkit::TControl& control, toolkit::TKey key) {
  PostMessageW(HandleOf(control), WM_KEYDOWN, key, 1);
}

void UserChar(toolkit::TControl& control, char ch) {
  SendMessageW(HandleOf(control), WM_CHAR, static_cast<unsigned char>(ch), 1);
}

void UserFocus(toolkit::TControl& control) { SetFocus(HandleOf(control)); }

void UserWheel(toolkit::TControl& control, int distance) {
  SendMessageW(HandleOf(control), WM_MOUSEWHEEL,
               MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(distance))), 0);
}

void SendNextDialogControl(toolkit::TForm& form, uintptr_t wparam) {
  SendMessageW(HandleOf(form), WM_NEXTDLGCTL, wparam, 0);
}

// A window inside the control's (the edit of a combo box) counts as the control's own.
bool NativeFocused(const toolkit::TControl& control) {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == HandleOf(control) || IsChild(HandleOf(control), focus));
}

}  // namespace kestrum::support
