#include <objbase.h>
#include <windows.h>

#include "platform/gui.h"
#include "platform/text.h"

namespace kestrum::platform {
namespace {

constexpr wchar_t kMainClassName[] = L"TKestrumForm";
constexpr int kInitialWidth = 327;
constexpr int kInitialHeight = 211;

std::wstring Wide(const std::string& sjis) {
  const std::u16string text = SjisToUtf16(sjis);
  return std::wstring(text.begin(), text.end());
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void RegisterMainClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClassName;
  RegisterClassExW(&wc);
}

}  // namespace

struct TWindow::Native {
  HWND hwnd = nullptr;
};

TWindow::TWindow(const std::string& caption) : native_(std::make_unique<Native>()) {
  RegisterMainClass();
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kInitialWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kInitialHeight) / 2;
  native_->hwnd =
      CreateWindowExW(0, kMainClassName, Wide(caption).c_str(),
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, kInitialWidth,
                      kInitialHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TWindow::~TWindow() {
  if (native_->hwnd != nullptr && IsWindow(native_->hwnd)) DestroyWindow(native_->hwnd);
}

TApplication::TApplication() { CoInitialize(nullptr); }

TApplication::~TApplication() { CoUninitialize(); }

void TApplication::SetTitle(const std::string& title) { title_ = title; }

int TApplication::Run(TWindow& main_window) {
  ShowWindow(main_window.native().hwnd, SW_SHOWNORMAL);
  UpdateWindow(main_window.native().hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kestrum::platform
