#include <windows.h>

#include "support/gui_testing_edit.h"
#include "toolkit/win32/gui_win32_internal.h"

namespace kestrum::support {
namespace {

HWND HandleOf(const toolkit::TControl& control) {
  auto* peer = dynamic_cast<toolkit::win32::TWin32Peer*>(control.Peer());
  return peer != nullptr ? peer->Handle() : nullptr;
}

}  // namespace

void UserTypeText(toolkit::TControl& control, const std::string& sjis) {
  for (wchar_t ch : toolkit::win32::Wide(sjis)) SendMessageW(HandleOf(control), WM_CHAR, ch, 1);
}

std::vector<uint32_t> NativeClientPixels(const toolkit::TControl& control) {
  HWND hwnd = HandleOf(control);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT rc;
  GetClientRect(hwnd, &rc);
  // Painted again into a bitmap of our own, so nothing on the screen can cover it.
  HDC window_dc = GetDC(hwnd);
  HDC dc = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = CreateCompatibleBitmap(window_dc, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::vector<uint32_t> pixels;
  for (int y = 0; y < rc.bottom; ++y) {
    for (int x = 0; x < rc.right; ++x) pixels.push_back(GetPixel(dc, x, y));
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(hwnd, window_dc);
  return pixels;
}

uint32_t NativeColor(toolkit::TColor color) { return toolkit::win32::ToColorRef(color); }

}  // namespace kestrum::support
