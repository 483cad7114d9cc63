#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <imm.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/gui_input.h"
#include "toolkit/ctl_peer.h"
#include "toolkit/win32/gui_win32_internal.h"

namespace kestrum::support {
namespace {

// Long enough for a hint's initial delay or queued input, short enough to fail fast.
constexpr DWORD kHintTimeoutMs = 3000;
constexpr DWORD kPollMs = 20;
constexpr DWORD kSettleMs = 50;
constexpr int kPointerTries = 10;

HWND HandleOf(const toolkit::TControl& control) {
  auto* peer = dynamic_cast<toolkit::win32::TWin32Peer*>(control.Peer());
  return peer != nullptr ? peer->Handle() : nullptr;
}

// The window that takes typed input for the control: a combo's own edit, or the window.
HWND InputWindow(const toolkit::TControl& control) {
  HWND hwnd = HandleOf(control);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (dynamic_cast<const toolkit::TComboBox*>(&control) != nullptr &&
      GetComboBoxInfo(hwnd, &info) && info.hwndItem != nullptr && info.hwndItem != hwnd) {
    return info.hwndItem;
  }
  return hwnd;
}

void PostToFocus(UINT message, WPARAM wparam, LPARAM lparam) {
  PostMessageW(GetFocus(), message, wparam, lparam);
  Pump();
}

void SetShiftDown(bool down) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_SHIFT] = down ? 0x80 : 0;
  state[VK_LSHIFT] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

// The pointer is put at (x, y) of the screen first; the input then happens where it is.
void SendMouse(DWORD flags, int x, int y) {
  SetCursorPos(x, y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

POINT ScreenPoint(const toolkit::TControl& control, int x, int y) {
  HWND hwnd = HandleOf(control);
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT p{x < 0 ? rc.right + x : x, y < 0 ? rc.bottom + y : y};
  ClientToScreen(hwnd, &p);
  return p;
}

BOOL CALLBACK FindVisibleHint(HWND hwnd, LPARAM out) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0 || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(out) = hwnd;
  return FALSE;
}

HWND VisibleHintWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindVisibleHint, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

void Pump() {
  // Twice: handling one message may post the next (a key down its character).
  for (int i = 0; i < 2; ++i) toolkit::WidgetSet().ProcessMessages();
}

void PressKey(toolkit::TKey key, bool shift) {
  if (shift) SetShiftDown(true);
  const UINT scan = MapVirtualKeyW(key, 0);
  PostToFocus(WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
  PostToFocus(WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u | (scan << 16)));
  if (shift) SetShiftDown(false);
}

void TypeChars(const std::string& sjis) {
  for (wchar_t ch : toolkit::win32::Wide(sjis)) PostToFocus(WM_CHAR, ch, 1);
}

void TypeImeChars(const std::string& sjis) {
  for (wchar_t ch : toolkit::win32::Wide(sjis)) PostToFocus(WM_IME_CHAR, ch, 1);
}

void WheelOver(const toolkit::TControl& control, int distance) {
  const POINT p = ScreenPoint(control, 1, 1);
  PostMessageW(HandleOf(control), WM_MOUSEWHEEL, MAKEWPARAM(0, distance), MAKELPARAM(p.x, p.y));
  Pump();
}

void CommitImeString(const std::string& sjis) {
  HIMC context = ImmGetContext(GetFocus());
  std::wstring text = toolkit::win32::Wide(sjis);
  ImmSetOpenStatus(context, TRUE);
  ImmSetCompositionStringW(context, SCS_SETSTR, text.data(),
                           static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr, 0);
  ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
  ImmReleaseContext(GetFocus(), context);
  Pump();
}

void SetClipboardText(const std::string& sjis) {
  const std::wstring text = toolkit::win32::Wide(sjis);
  const size_t size = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(data), text.c_str(), size);
  GlobalUnlock(data);
  OpenClipboard(nullptr);
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, data);
  CloseClipboard();
}

void QueueMouseClick(const toolkit::TControl& control, int x, int y) {
  const POINT p = ScreenPoint(control, x, y);
  SendMouse(MOUSEEVENTF_MOVE, p.x, p.y);
  SendMouse(MOUSEEVENTF_LEFTDOWN, p.x, p.y);
  SendMouse(MOUSEEVENTF_LEFTUP, p.x, p.y);
  // The input reaches the queue through the display server; a program whose waits take no
  // real time (virtual ticks) pumps again before it would arrive.
  for (DWORD waited = 0; waited < kHintTimeoutMs; waited += kPollMs) {
    if ((HIWORD(GetQueueStatus(QS_MOUSEBUTTON)) & QS_MOUSEBUTTON) != 0) break;
    Sleep(kPollMs);
  }
}

void Settle() {
  Pump();
  Sleep(kSettleMs);
  Pump();
}

namespace {

// Puts the pointer at `p` until it stays there: the display may still report where the
// pointer was when a window appeared under it.
void PlacePointer(POINT p) {
  for (int i = 0; i < kPointerTries; ++i) {
    SetCursorPos(p.x, p.y);
    Settle();
    POINT now{};
    GetCursorPos(&now);
    if (now.x == p.x && now.y == p.y) return;
  }
}

}  // namespace

void MouseClick(const toolkit::TControl& control, int x, int y) {
  PlacePointer(ScreenPoint(control, x, y));
  QueueMouseClick(control, x, y);
  Settle();
}

std::string HoverHint(const toolkit::TControl& control) {
  HWND hwnd = HandleOf(control);
  RECT rc;
  GetClientRect(hwnd, &rc);
  const POINT p = ScreenPoint(control, rc.right / 2, rc.bottom / 2);
  PlacePointer(POINT{p.x - 1, p.y});
  // Two moves: a hint window starts its delay on a move inside the tool.
  SendMouse(MOUSEEVENTF_MOVE, p.x - 1, p.y);
  Pump();
  SendMouse(MOUSEEVENTF_MOVE, p.x, p.y);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kHintTimeoutMs) {
    Pump();
    if (HWND hint = VisibleHintWindow()) {
      std::vector<wchar_t> text(256);
      GetWindowTextW(hint, text.data(), static_cast<int>(text.size()));
      return toolkit::win32::Narrow(text.data());
    }
    Sleep(kPollMs);
  }
  return {};
}

namespace {

std::function<void()> box_inside;
bool box_inside_ran = false;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM out) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (!IsWindowVisible(hwnd) || std::wstring(name) != L"#32770") return TRUE;
  *reinterpret_cast<HWND*>(out) = hwnd;
  return FALSE;
}

void CALLBACK BoxTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr) return;
  if (!box_inside_ran) {
    box_inside_ran = true;
    box_inside();
    return;
  }
  KillTimer(nullptr, id);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace

void WhileMessageBoxOpen(std::function<void()> inside) {
  box_inside = std::move(inside);
  box_inside_ran = false;
  SetTimer(nullptr, 0, kSettleMs, BoxTimer);
}

toolkit::TControl* NativeFocusedControl() {
  for (HWND h = GetFocus(); h != nullptr; h = GetParent(h)) {
    if (auto* peer = toolkit::win32::TWin32Peer::FromHandle(h)) return &peer->Control();
  }
  return nullptr;
}

std::pair<int, int> NativeSelection(const toolkit::TControl& control) {
  HWND hwnd = InputWindow(control);
  DWORD start = 0, end = 0;
  SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1);
  GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
  const std::wstring wide(text.data());
  auto bytes = [&](DWORD units) {
    return static_cast<int>(toolkit::win32::Narrow(wide.substr(0, units)).size());
  };
  return {bytes(start), bytes(end)};
}

bool NativeDroppedDown(const toolkit::TComboBox& combo) {
  return SendMessageW(HandleOf(combo), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void SetImeOpen(const toolkit::TControl& control, bool open) {
  HWND hwnd = InputWindow(control);
  HIMC context = ImmGetContext(hwnd);
  ImmSetOpenStatus(context, open);
  ImmReleaseContext(hwnd, context);
}

bool ImeOpen(const toolkit::TControl& control) {
  HWND hwnd = InputWindow(control);
  HIMC context = ImmGetContext(hwnd);
  const bool open = context != nullptr && ImmGetOpenStatus(context);
  ImmReleaseContext(hwnd, context);
  return open;
}

}  // namespace kestrum::support
