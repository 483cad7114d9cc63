// The Win32 widget set: window classes, the message pump and loop, the application's hidden
// top-level window (taskbar entry and timer host), message box and beep.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "platform/system_library_win32.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"
#include "toolkit/win32/gui.h"
#include "toolkit/win32/gui_win32_internal.h"
#include "toolkit/win32/resource_ids.h"

namespace kestrum::toolkit::win32 {

std::wstring Wide(const std::string& sjis) {
  const std::u16string text = base::SjisToUtf16(sjis);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(const std::wstring& wide) {
  return base::Utf16ToSjis(std::u16string(wide.begin(), wide.end()));
}

COLORREF ToColorRef(toolkit::TColor color) {
  if ((color & toolkit::kSystemColorBase) != 0) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFF;
}

TWin32Peer::~TWin32Peer() {
  // The hint window hooks the control's windows; it goes first.
  if (hint_ != nullptr) DestroyWindow(hint_);
  if (hwnd_ != nullptr) {
    if (original_proc_ != nullptr) {
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
    }
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (font_ != nullptr) DeleteObject(font_);
  if (brush_ != nullptr) DeleteObject(brush_);
}

TWin32Peer* TWin32Peer::FromHandle(HWND hwnd) {
  return hwnd == nullptr ? nullptr
                         : reinterpret_cast<TWin32Peer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void TWin32Peer::Create(DWORD ex_style, const wchar_t* window_class, DWORD style, HWND parent,
                        int x, int y, int width, int height) {
  hwnd_ = CreateWindowExW(ex_style, window_class, Wide(control_.Text()).c_str(), style, x, y, width,
                          height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (lstrcmpW(window_class, kFormClass) != 0 && lstrcmpW(window_class, kPanelClass) != 0) {
    original_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc)));
  }
  // A later control lies above the earlier ones it overlaps.
  if (parent != nullptr) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ApplyFont();
  ApplyColor();
  if (parent != nullptr && control_.ShowHint() && !control_.Hint().empty()) AttachHint(parent);
}

void TWin32Peer::AttachHint(HWND parent) {
  hint_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(parent, GA_ROOT), nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  std::wstring text = Wide(control_.Hint());
  TTTOOLINFOW tool{};
  // The size older common controls know as well.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = parent;
  tool.lpszText = text.data();
  // An enabled control gets the mouse itself ...
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  SendMessageW(hint_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // ... a disabled one leaves it to its parent, over the control's place.
  tool.uFlags = TTF_SUBCLASS;
  tool.uId = 0;
  GetWindowRect(hwnd_, &tool.rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&tool.rect), 2);
  SendMessageW(hint_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND TWin32Peer::ParentHandle() const {
  auto* parent =
      control_.Parent() != nullptr ? dynamic_cast<TWin32Peer*>(control_.Parent()->Peer()) : nullptr;
  return parent != nullptr ? parent->Handle() : nullptr;
}

void TWin32Peer::ApplyFont() {
  const toolkit::TFont& f = control_.EffectiveFont();
  HFONT old = font_;
  font_ =
      CreateFontW(f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                  f.charset == toolkit::TFontCharset::ShiftJis ? SHIFTJIS_CHARSET : DEFAULT_CHARSET,
                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                  Wide(f.name).c_str());
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  if (old != nullptr) DeleteObject(old);
}

void TWin32Peer::ApplyColor() {
  HBRUSH old = brush_;
  brush_ = CreateSolidBrush(ToColorRef(control_.EffectiveColor()));
  InvalidateRect(hwnd_, nullptr, TRUE);
  if (old != nullptr) DeleteObject(old);
}

void TWin32Peer::Changed(toolkit::TProperty property) {
  switch (property) {
    case toolkit::TProperty::Text:
      SetWindowTextW(hwnd_, Wide(control_.Text()).c_str());
      break;
    case toolkit::TProperty::Enabled:
      EnableWindow(hwnd_, control_.Enabled());
      break;
    case toolkit::TProperty::Visible:
      ShowWindow(hwnd_, control_.Visible() ? SW_SHOW : SW_HIDE);
      break;
    case toolkit::TProperty::Bounds: {
      const auto& b = control_.Bounds();
      MoveWindow(hwnd_, b.left, b.top, b.width, b.height, TRUE);
      break;
    }
    case toolkit::TProperty::Font:
      ApplyFont();
      break;
    case toolkit::TProperty::Color:
      ApplyColor();
      break;
    default:
      break;
  }
}

HBRUSH TWin32Peer::PrepareColors(HDC dc) {
  SetTextColor(dc, ToColorRef(control_.EffectiveFont().color));
  SetBkColor(dc, ToColorRef(control_.EffectiveColor()));
  return brush_;
}

toolkit::TShiftState CurrentShift() {
  toolkit::TShiftState shift = toolkit::kShiftNone;
  if (GetKeyState(VK_SHIFT) < 0) shift |= toolkit::kShiftShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= toolkit::kShiftCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= toolkit::kShiftAlt;
  return shift;
}

TWin32Peer* TWin32Peer::ForWindow(HWND hwnd) {
  for (HWND h = hwnd; h != nullptr; h = GetParent(h)) {
    if (TWin32Peer* peer = FromHandle(h)) return peer;
  }
  return nullptr;
}

LRESULT TWin32Peer::CallOriginal(UINT message, WPARAM wparam, LPARAM lparam) const {
  return CallWindowProcW(original_proc_, hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK TWin32Peer::ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  TWin32Peer* self = FromHandle(hwnd);
  if (self == nullptr || self->original_proc_ == nullptr) {
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleInput(message, wparam, lparam);
}

LRESULT TWin32Peer::DialogCode(LRESULT code, LPARAM lparam) const {
  const auto* msg = reinterpret_cast<const MSG*>(lparam);
  if (msg != nullptr && msg->message == WM_KEYDOWN &&
      control_.WantsKey(static_cast<toolkit::TKey>(msg->wParam))) {
    code |= DLGC_WANTMESSAGE | DLGC_WANTARROWS;
  }
  return code;
}

void TWin32Peer::FocusEntered() {
  if (toolkit::TForm* form = control_.ParentForm()) {
    Guarded([&] { form->FocusControl(&control_); });
  }
}

namespace {

// Above zero while the focused control handles a wheel message, which its window may pass on
// to its parents.
int wheel_depth = 0;

bool HoldsFocus(HWND hwnd) {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == hwnd || IsChild(hwnd, focus));
}

// The wheel acts on the focused control wherever the pointer is: Windows 10 sends it to the
// window under the pointer, where it would move the focus from a control that does not have it
// or change an unfocused list's selection. Any other window passes it to the focused one.
LRESULT WheelToFocus(UINT message, WPARAM wparam, LPARAM lparam) {
  static bool forwarding = false;
  HWND focus = GetFocus();
  if (wheel_depth == 0 && !forwarding && focus != nullptr &&
      GetWindowThreadProcessId(focus, nullptr) == GetCurrentThreadId()) {
    forwarding = true;
    SendMessageW(focus, message, wparam, lparam);
    forwarding = false;
  }
  return 0;
}

}  // namespace

LRESULT TWin32Peer::HandleInput(UINT message, WPARAM wparam, LPARAM lparam) {
  toolkit::TControl& control = control_;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (!RoutesKeys()) break;
      auto key = static_cast<toolkit::TKey>(wparam);
      bool pass = true;
      Guarded([&] { pass = control.DispatchKeyDown(key, CurrentShift()); });
      return pass ? CallOriginal(message, key, lparam) : 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      auto key = static_cast<toolkit::TKey>(wparam);
      Guarded([&] { control.KeyUp(key, CurrentShift()); });
      return key != 0 ? CallOriginal(message, key, lparam) : 0;
    }
    case WM_CHAR: {
      // One byte of the ANSI code page per message; wider characters are passed on untouched.
      if (wparam > 0xFF) break;
      char ch = static_cast<char>(wparam);
      Guarded([&] { control.KeyPress(ch); });
      return ch != 0 ? CallOriginal(message, static_cast<unsigned char>(ch), lparam) : 0;
    }
    case WM_GETDLGCODE:
      return DialogCode(CallOriginal(message, wparam, lparam), lparam);
    case WM_SETFOCUS: {
      const LRESULT result = CallOriginal(message, wparam, lparam);
      // A window that handed the focus on to one inside it (a combo box to its edit) leaves
      // the report to that one.
      if (GetFocus() == hwnd_) FocusEntered();
      return result;
    }
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT && ApplyCursor()) return TRUE;
      break;
    case WM_MOUSEWHEEL: {
      if (!HoldsFocus(hwnd_)) return WheelToFocus(message, wparam, lparam);
      const int distance = static_cast<short>(HIWORD(wparam));
      ++wheel_depth;
      Guarded([&] { control.MouseWheel(distance, CurrentShift()); });
      // The window still scrolls its own way.
      const LRESULT result = CallOriginal(message, wparam, lparam);
      --wheel_depth;
      return result;
    }
    default:
      break;
  }
  return CallOriginal(message, wparam, lparam);
}

namespace {

void PaintPanel(HWND hwnd, TWin32Peer& peer) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, peer.BackgroundBrush());
  if (auto* panel = dynamic_cast<toolkit::TPanel*>(&peer.Control())) {
    if (panel->BorderStyle() == toolkit::TBorderStyle::bsSingle) {
      FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      InflateRect(&r, -1, -1);
    }
    if (panel->BevelOuter() != toolkit::TBevelCut::bvNone) {
      DrawEdge(
          dc, &r,
          panel->BevelOuter() == toolkit::TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
          BF_RECT);
      InflateRect(&r, -1, -1);
    }
    for (int i = 0; i < panel->BevelWidth() && panel->BevelInner() != toolkit::TBevelCut::bvNone;
         ++i) {
      DrawEdge(
          dc, &r,
          panel->BevelInner() == toolkit::TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
          BF_RECT);
      InflateRect(&r, -1, -1);
    }
  }
  HGDIOBJ old_font = SelectObject(dc, peer.FontHandle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(peer.Control().EffectiveFont().color));
  const std::wstring text = Wide(peer.Control().Caption());
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old_font);
  EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  TWin32Peer* self = TWin32Peer::FromHandle(hwnd);
  switch (message) {
    case WM_COMMAND:
      if (TWin32Peer* child = TWin32Peer::FromHandle(reinterpret_cast<HWND>(lparam))) {
        Guarded([&] { child->Command(HIWORD(wparam)); });
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (TWin32Peer* child = TWin32Peer::FromHandle(reinterpret_cast<HWND>(lparam))) {
        return reinterpret_cast<LRESULT>(child->PrepareColors(reinterpret_cast<HDC>(wparam)));
      }
      break;
    case WM_ERASEBKGND:
      if (self != nullptr) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wparam), &r, self->BackgroundBrush());
        return 1;
      }
      break;
    case WM_PAINT:
      if (self != nullptr && dynamic_cast<toolkit::TPanel*>(&self->Control()) != nullptr) {
        PaintPanel(hwnd, *self);
        return 0;
      }
      break;
    case toolkit::kMsgNextDialogControl:
      if (self != nullptr) {
        if (auto* form = dynamic_cast<toolkit::TForm*>(&self->Control())) {
          Guarded([&] { form->NextDialogControl(wparam, lparam); });
          return 0;
        }
      }
      break;
    case WM_MOUSEWHEEL:
      if (GetFocus() != hwnd) return WheelToFocus(message, wparam, lparam);
      break;
    case WM_CLOSE:
      if (self != nullptr) {
        if (auto* form = dynamic_cast<toolkit::TForm*>(&self->Control())) {
          Guarded([form] { form->Close(); });
        }
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

namespace {

LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) {
    Guarded([wparam] { FireTimer(wparam); });
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

constexpr wchar_t kApplicationClass[] = L"KestrumApplication";
constexpr int kSmallIconSize = 16;

// The program's own icon; programs without one (the tests) get the system's.
HICON AppIcon() {
  auto* icon =
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KESTRUM_ICON),
                                    IMAGE_ICON, kSmallIconSize, kSmallIconSize, LR_DEFAULTCOLOR));
  return icon != nullptr ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
}

void RegisterClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hIcon = AppIcon();
  wc.hIconSm = AppIcon();
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

// The status bar's class, from the system's comctl32.dll (bound here, never imported: it is not
// one of the known DLLs). Without a manifest naming version 6 this is the classic version. The
// library stays loaded for the whole run, and its classes with it.
void RegisterCommonControls() {
  decltype(&::InitCommonControlsEx) init = nullptr;
  const HMODULE library = platform::LoadSystemLibrary(L"comctl32.dll");
  if (!platform::LookUpEntry(library, "InitCommonControlsEx", init)) return;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  init(&icc);
}

// The thread's other visible top-level windows, disabled while a box owned by the hidden
// application window is open: a box disables only its owner, so the main window would stay
// usable behind it and its handlers could run inside the box's loop.
class TThreadWindowsDisabled {
 public:
  explicit TThreadWindowsDisabled(HWND owner) : owner_(owner), active_(GetActiveWindow()) {
    EnumThreadWindows(GetCurrentThreadId(), Disable, reinterpret_cast<LPARAM>(this));
  }
  TThreadWindowsDisabled(const TThreadWindowsDisabled&) = delete;
  TThreadWindowsDisabled& operator=(const TThreadWindowsDisabled&) = delete;
  ~TThreadWindowsDisabled() {
    for (HWND window : disabled_) EnableWindow(window, TRUE);
    if (active_ != nullptr && IsWindow(active_)) SetActiveWindow(active_);
  }

 private:
  static BOOL CALLBACK Disable(HWND window, LPARAM self) {
    auto* state = reinterpret_cast<TThreadWindowsDisabled*>(self);
    if (window != state->owner_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
      EnableWindow(window, FALSE);
      state->disabled_.push_back(window);
    }
    return TRUE;
  }
  HWND owner_;
  HWND active_;
  std::vector<HWND> disabled_;
};

}  // namespace

TWin32WidgetSet::TWin32WidgetSet() {
  CoInitialize(nullptr);
  RegisterCommonControls();
  RegisterClass(kFormClass, ContainerProc);
  RegisterClass(kPanelClass, ContainerProc);
  RegisterClass(kApplicationClass, ApplicationProc);
  app_window_ = CreateWindowExW(0, kApplicationClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
}

TWin32WidgetSet::~TWin32WidgetSet() {
  DestroyWindow(app_window_);
  CoUninitialize();
}

std::unique_ptr<toolkit::TControlPeer> TWin32WidgetSet::CreatePeer(toolkit::TComponent& component) {
  return CreateWin32Peer(component, app_window_);
}

void TWin32WidgetSet::ProcessMessages() {
  MSG msg;
  while (!quit_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      break;
    }
    Dispatch(msg);
  }
}

void TWin32WidgetSet::CheckMessages() {
  MSG msg;
  // Delivers sent messages (the system's hang check among them); posted ones stay queued.
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

void TWin32WidgetSet::RunMessageLoop() {
  MSG msg;
  while (!quit_ && GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  // This loop is over; a later one runs until its own Terminate.
  quit_ = false;
}

void TWin32WidgetSet::Terminate() { PostQuitMessage(0); }

void TWin32WidgetSet::ShowError(const std::string& title, const std::string& text) {
  MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(title).c_str(), MB_OK | MB_ICONERROR);
}

void TWin32WidgetSet::ShowWarning(const std::string& caption, const std::string& text) {
  const TThreadWindowsDisabled modal(app_window_);
  MessageBoxW(app_window_, Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

bool TWin32WidgetSet::AskYesNo(const std::string& caption, const std::string& text) {
  const TThreadWindowsDisabled modal(app_window_);
  return MessageBoxW(app_window_, Wide(text).c_str(), Wide(caption).c_str(),
                     MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TWin32WidgetSet::Beep() { MessageBeep(MB_OK); }

void TWin32WidgetSet::SetTitle(const std::string& title) {
  SetWindowTextW(app_window_, Wide(title).c_str());
}

void TWin32WidgetSet::HideTaskbarWindow() { ShowWindow(app_window_, SW_HIDE); }

// Tab follows the controls' tab order, not the order the windows were made in. The control's
// key-down notification sees Tab first, as every other key, so that it forgets a target an
// earlier key left behind.
bool TWin32WidgetSet::HandleTab(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  TWin32Peer* peer = TWin32Peer::ForWindow(msg.hwnd);
  toolkit::TControl* control = peer != nullptr ? &peer->Control() : nullptr;
  toolkit::TForm* form = control != nullptr ? control->ParentForm() : nullptr;
  if (form == nullptr) return false;
  const bool previous = GetKeyState(VK_SHIFT) < 0;
  Guarded([&] {
    toolkit::TKey key = toolkit::kVkTab;
    if (control->KeyDownNotify(key, CurrentShift()) || key == 0) return;
    form->NextDialogControl(previous ? toolkit::kPreviousControl : toolkit::kNextControl, 0);
  });
  return true;
}

void TWin32WidgetSet::Dispatch(MSG& msg) {
  if (HandleTab(msg)) return;
  HWND top = GetAncestor(msg.hwnd, GA_ROOT);
  if (top != nullptr && IsDialogMessageW(top, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace kestrum::toolkit::win32

namespace kestrum::toolkit::win32 {

toolkit::TWidgetSet& NativeWidgetSet() {
  static win32::TWin32WidgetSet widget_set;
  return widget_set;
}

}  // namespace kestrum::toolkit::win32
