#pragma once
// Shared between the Win32 widget set and its peers. Only the platform's own files include it.

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "toolkit/ctl_control.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_peer.h"

namespace kestrum::toolkit::win32 {

std::wstring Wide(const std::string& sjis);
std::string Narrow(const std::wstring& wide);
COLORREF ToColorRef(toolkit::TColor color);
// Shift, Ctrl and Alt as they are held now.
toolkit::TShiftState CurrentShift();

// An error that escapes a handler goes to the default error report; no exception may unwind
// through the platform's message dispatching.
template <class F>
void Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    toolkit::Application().HandleException(error);
  } catch (...) {
    toolkit::Application().HandleException(std::runtime_error("Unknown error"));
  }
}

constexpr wchar_t kFormClass[] = L"KestrumForm";
constexpr wchar_t kPanelClass[] = L"KestrumPanel";

// A native window that mirrors one control. Its HWND carries a pointer back to the peer.
class TWin32Peer : public toolkit::TControlPeer {
 public:
  explicit TWin32Peer(toolkit::TControl& control) : control_(control) {}
  ~TWin32Peer() override;

  HWND Handle() const { return hwnd_; }
  toolkit::TControl& Control() const { return control_; }
  static TWin32Peer* FromHandle(HWND hwnd);
  // The peer of `hwnd` or of the nearest window around it that has one (a combo box's edit
  // belongs to the box).
  static TWin32Peer* ForWindow(HWND hwnd);

  void Changed(toolkit::TProperty property) override;
  void SetFocus() override { ::SetFocus(hwnd_); }

  // A notification (WM_COMMAND code) from the native control.
  virtual void Command(WORD /*code*/) {}
  // Sets the mouse cursor over the window; false leaves it to the window.
  virtual bool ApplyCursor() { return false; }
  // False while a key arrives that the control has seen already (passed on by a window
  // inside it): the system control then handles it alone.
  virtual bool RoutesKeys() const { return true; }
  // The system control's own window procedure, for messages the control hands on.
  LRESULT CallOriginal(UINT message, WPARAM wparam, LPARAM lparam) const;
  // Colours for WM_CTLCOLOR*: sets up `dc` and returns the background brush.
  HBRUSH PrepareColors(HDC dc);
  HFONT FontHandle() const { return font_; }
  HBRUSH BackgroundBrush() const { return brush_; }

 protected:
  // Creates the window; `parent` null for a top-level window.
  void Create(DWORD ex_style, const wchar_t* window_class, DWORD style, HWND parent, int x, int y,
              int width, int height);
  HWND ParentHandle() const;
  // Focus entry of the control, after its window got the focus.
  void FocusEntered();
  // The dialog code of the window, with the keys the control handles itself added.
  LRESULT DialogCode(LRESULT code, LPARAM lparam) const;
  void ApplyFont();
  void ApplyColor();

 private:
  toolkit::TControl& control_;
  // Routes key, focus and wheel messages of a system control through its toolkit control.
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleInput(UINT message, WPARAM wparam, LPARAM lparam);
  // A hint window showing the control's hint while the mouse rests over it.
  void AttachHint(HWND parent);

  HWND hwnd_ = nullptr;
  HWND hint_ = nullptr;
  WNDPROC original_proc_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH brush_ = nullptr;
};

// The peer for `component`, or null for a component without a native counterpart.
std::unique_ptr<toolkit::TControlPeer> CreateWin32Peer(toolkit::TComponent& component,
                                                       HWND timer_window);

// Runs a timer's OnTimer; called for WM_TIMER of the widget set's own window.
void FireTimer(UINT_PTR id);

// The Win32 widget set: the toolkit's own controls. A library with controls of its own derives
// from it and makes their peers first.
class TWin32WidgetSet : public toolkit::TWidgetSet {
 public:
  TWin32WidgetSet();
  ~TWin32WidgetSet() override;
  TWin32WidgetSet(const TWin32WidgetSet&) = delete;
  TWin32WidgetSet& operator=(const TWin32WidgetSet&) = delete;

  std::unique_ptr<toolkit::TControlPeer> CreatePeer(toolkit::TComponent& component) override;
  void ProcessMessages() override;
  void CheckMessages() override;
  void RunMessageLoop() override;
  void Terminate() override;
  void ShowError(const std::string& title, const std::string& text) override;
  void ShowWarning(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void Beep() override;
  void SetTitle(const std::string& title) override;
  void HideTaskbarWindow() override;

 private:
  static bool HandleTab(const MSG& msg);
  static void Dispatch(MSG& msg);

  HWND app_window_ = nullptr;
  bool quit_ = false;
};

// Window procedure of forms and panels: routes notifications of child controls to their peers.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace kestrum::toolkit::win32
