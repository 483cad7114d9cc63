// Native peers of the toolkit's controls: each creates its Win32 window from the control's
// properties, follows later changes, and hands user input back to the control.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <map>
#include <vector>

#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"
#include "toolkit/win32/gui_win32_internal.h"

namespace kestrum::toolkit::win32 {
namespace {

constexpr int kComboEditMargin = 6;
constexpr int kDefaultComboItems = 8;

std::map<UINT_PTR, toolkit::TTimer*>& Timers() {
  static std::map<UINT_PTR, toolkit::TTimer*> timers;
  return timers;
}

DWORD CommonStyle(const toolkit::TControl& c) {
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (c.Visible()) style |= WS_VISIBLE;
  if (!c.Enabled()) style |= WS_DISABLED;
  if (c.TabStop()) style |= WS_TABSTOP;
  return style;
}

class TFormPeer final : public TWin32Peer {
 public:
  explicit TFormPeer(toolkit::TForm& form) : TWin32Peer(form), form_(form) {
    DWORD style = WS_CLIPCHILDREN;
    DWORD ex_style = WS_EX_CONTROLPARENT;
    if (form.BorderStyle() == toolkit::TFormBorderStyle::bsNone) {
      style |= WS_POPUP;
      ex_style |= WS_EX_TOOLWINDOW;
    } else {
      style |= WS_CAPTION | WS_SYSMENU;
      if (form.BorderStyle() == toolkit::TFormBorderStyle::bsSizeable) style |= WS_THICKFRAME;
      if (form.BorderIcons().minimize) style |= WS_MINIMIZEBOX;
      if (form.BorderIcons().maximize) style |= WS_MAXIMIZEBOX;
    }
    if (form.FormStyle() == toolkit::TFormStyle::fsStayOnTop) ex_style |= WS_EX_TOPMOST;
    RECT r{0, 0, form.ClientWidth(), form.ClientHeight()};
    AdjustWindowRectEx(&r, style, FALSE, ex_style);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    int x = form.Bounds().left;
    int y = form.Bounds().top;
    if (form.Position() == toolkit::TPosition::poScreenCenter) {
      x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
      y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    Create(ex_style, kFormClass, style, nullptr, x, y, width, height);
  }

  void Changed(toolkit::TProperty property) override {
    if (property == toolkit::TProperty::Visible || property == toolkit::TProperty::WindowState) {
      ShowState();
    } else if (property != toolkit::TProperty::Bounds) {
      TWin32Peer::Changed(property);
    }
  }

 private:
  void ShowState() {
    if (!form_.Visible()) {
      ShowWindow(Handle(), SW_HIDE);
      return;
    }
    const bool minimized = form_.WindowState() == toolkit::TWindowState::wsMinimized;
    ShowWindow(Handle(), minimized ? SW_SHOWMINNOACTIVE : SW_SHOW);
    UpdateWindow(Handle());
    // A form shown without a focused control gives the focus to its first one in tab order.
    if (!minimized && form_.ActiveControl() == nullptr) {
      if (toolkit::TControl* first = form_.FindNextControl(nullptr, true)) first->SetFocus();
    }
  }
  toolkit::TForm& form_;
};

class TPanelPeer final : public TWin32Peer {
 public:
  explicit TPanelPeer(toolkit::TPanel& panel) : TWin32Peer(panel) {
    const auto& b = panel.Bounds();
    Create(WS_EX_CONTROLPARENT, kPanelClass, CommonStyle(panel) | WS_CLIPCHILDREN, ParentHandle(),
           b.left, b.top, b.width, b.height);
  }
  void Changed(toolkit::TProperty property) override {
    TWin32Peer::Changed(property);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
};

class TLabelPeer final : public TWin32Peer {
 public:
  explicit TLabelPeer(toolkit::TLabel& label) : TWin32Peer(label) {
    DWORD style = CommonStyle(label) | SS_NOPREFIX;
    if (label.Alignment() == toolkit::TAlignment::taCenter) style |= SS_CENTER;
    if (label.Alignment() == toolkit::TAlignment::taRightJustify) style |= SS_RIGHT;
    if (label.Layout() == toolkit::TTextLayout::tlCenter) style |= SS_CENTERIMAGE;
    const auto& b = label.Bounds();
    Create(0, L"STATIC", style, ParentHandle(), b.left, b.top, b.width, b.height);
  }
};

class TEditPeer final : public TWin32Peer {
 public:
  explicit TEditPeer(toolkit::TEdit& edit) : TWin32Peer(edit), edit_(edit) {
    DWORD style = CommonStyle(edit) | ES_AUTOHSCROLL;
    if (edit.ReadOnly()) style |= ES_READONLY;
    const auto& b = edit.Bounds();
    Create(WS_EX_CLIENTEDGE, L"EDIT", style, ParentHandle(), b.left, b.top, b.width, b.height);
  }
  void Changed(toolkit::TProperty property) override {
    if (property == toolkit::TProperty::ReadOnly) {
      SendMessageW(Handle(), EM_SETREADONLY, edit_.ReadOnly(), 0);
    } else {
      TWin32Peer::Changed(property);
    }
  }
  void Command(WORD code) override {
    if (code != EN_CHANGE) return;
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    edit_.UserEdited(Narrow(text));
  }

 private:
  toolkit::TEdit& edit_;
};

class TButtonPeer final : public TWin32Peer {
 public:
  explicit TButtonPeer(toolkit::TButton& button) : TWin32Peer(button), button_(button) {
    const auto& b = button.Bounds();
    Create(0, L"BUTTON", CommonStyle(button) | BS_PUSHBUTTON, ParentHandle(), b.left, b.top,
           b.width, b.height);
  }
  void Command(WORD code) override {
    if (code == BN_CLICKED) Control().Click();
  }
  bool ApplyCursor() override {
    if (button_.Cursor() != toolkit::TCursor::crHandPoint) return false;
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
    return true;
  }

 private:
  toolkit::TButton& button_;
};

class TComboPeer final : public TWin32Peer {
 public:
  explicit TComboPeer(toolkit::TComboBox& combo) : TWin32Peer(combo), combo_(combo) {
    DWORD style = CommonStyle(combo) | WS_VSCROLL;
    switch (combo.Style()) {
      case toolkit::TComboBoxStyle::csDropDown:
        style |= CBS_DROPDOWN;
        break;
      case toolkit::TComboBoxStyle::csDropDownList:
        style |= CBS_DROPDOWNLIST;
        break;
      case toolkit::TComboBoxStyle::csOwnerDrawVariable:
        style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS;
        break;
    }
    const auto& b = combo.Bounds();
    const int visible = combo.DropDownCount() > 0 ? combo.DropDownCount() : kDefaultComboItems;
    Create(0, L"COMBOBOX", style, ParentHandle(), b.left, b.top, b.width,
           b.height + combo.ItemHeight() * visible + kComboEditMargin);
    SendMessageW(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), b.height - kComboEditMargin);
    FillItems();
    RouteEdit();
  }
  ~TComboPeer() override {
    if (edit_ == nullptr) return;
    SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_proc_));
    SetWindowLongPtrW(edit_, GWLP_USERDATA, 0);
  }
  bool RoutesKeys() const override { return !passing_on_; }
  void Changed(toolkit::TProperty property) override {
    if (property == toolkit::TProperty::Items) {
      FillItems();
    } else if (property == toolkit::TProperty::ItemIndex) {
      SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
    } else if (property == toolkit::TProperty::DroppedDown) {
      SendMessageW(Handle(), CB_SHOWDROPDOWN, combo_.DroppedDown(), 0);
    } else if (property != toolkit::TProperty::Text) {
      TWin32Peer::Changed(property);
    }
  }
  void Command(WORD code) override {
    // The box's own state first, so that the handler reads what the user sees. The list is
    // reported opening before it shows.
    const bool dropped =
        code == CBN_DROPDOWN || SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
    combo_.StoreFromUser(static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)), dropped);
    if (code == CBN_EDITCHANGE) combo_.UserEdited(WindowText());
    combo_.Command(code);
  }

 private:
  // An editable box types into an edit window of its own: that window's keys and focus are
  // the box's.
  void RouteEdit() {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(Handle(), &info) || info.hwndItem == nullptr ||
        info.hwndItem == Handle()) {
      return;
    }
    edit_ = info.hwndItem;
    SetWindowLongPtrW(edit_, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(static_cast<TWin32Peer*>(this)));
    edit_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc)));
  }
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = dynamic_cast<TComboPeer*>(FromHandle(hwnd));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    return self->EditMessage(message, wparam, lparam);
  }
  LRESULT EditOriginal(UINT message, WPARAM wparam, LPARAM lparam) const {
    return CallWindowProcW(edit_proc_, edit_, message, wparam, lparam);
  }
  LRESULT EditMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN: {
        auto key = static_cast<toolkit::TKey>(wparam);
        bool pass = true;
        Guarded([&] { pass = combo_.DispatchKeyDown(key, CurrentShift()); });
        if (!pass) return 0;
        // The edit hands arrow keys on to the box, which must not take them a second time.
        passing_on_ = true;
        const LRESULT result = EditOriginal(message, key, lparam);
        passing_on_ = false;
        return result;
      }
      case WM_GETDLGCODE:
        return DialogCode(EditOriginal(message, wparam, lparam), lparam);
      case WM_SETFOCUS: {
        const LRESULT result = EditOriginal(message, wparam, lparam);
        FocusEntered();
        return result;
      }
      default:
        return EditOriginal(message, wparam, lparam);
    }
  }
  std::string WindowText() const {
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1);
    GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()));
    return Narrow(text.data());
  }

  void FillItems() {
    SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    for (const auto& item : combo_.Items()) {
      SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    }
    SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, combo_.ItemHeight());
    SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()), 0);
  }
  toolkit::TComboBox& combo_;
  HWND edit_ = nullptr;
  WNDPROC edit_proc_ = nullptr;
  bool passing_on_ = false;
};

class TStatusBarPeer final : public TWin32Peer {
 public:
  explicit TStatusBarPeer(toolkit::TStatusBar& bar) : TWin32Peer(bar), bar_(bar) {
    // The bar keeps the bounds it is given instead of fitting its height to the font.
    DWORD style =
        (CommonStyle(bar) & ~static_cast<DWORD>(WS_TABSTOP)) | CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (bar.SizeGrip()) style |= SBARS_SIZEGRIP;
    const auto& b = bar.Bounds();
    Create(0, STATUSCLASSNAMEW, style, ParentHandle(), b.left, b.top, b.width, b.height);
    ShowPanels();
  }
  void Changed(toolkit::TProperty property) override {
    if (property == toolkit::TProperty::Panels) {
      ShowPanels();
    } else {
      TWin32Peer::Changed(property);
    }
  }

 private:
  // The last panel reaches the bar's right end.
  void ShowPanels() {
    std::vector<int> edges;
    int right = 0;
    for (const auto& panel : bar_.Panels()) edges.push_back(right += panel.width);
    if (!edges.empty()) edges.back() = -1;
    SendMessageW(Handle(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < bar_.Panels().size(); ++i) {
      SendMessageW(Handle(), SB_SETTEXTW, i,
                   reinterpret_cast<LPARAM>(Wide(bar_.Panels()[i].text).c_str()));
    }
  }
  toolkit::TStatusBar& bar_;
};

class TTimerPeer final : public toolkit::TControlPeer {
 public:
  TTimerPeer(toolkit::TTimer& timer, HWND window) : timer_(timer), window_(window) {
    static UINT_PTR next_id = 1;
    id_ = next_id++;
    Timers()[id_] = &timer_;
    Changed(toolkit::TProperty::Timer);
  }
  ~TTimerPeer() override {
    KillTimer(window_, id_);
    Timers().erase(id_);
  }
  void Changed(toolkit::TProperty) override {
    KillTimer(window_, id_);
    if (timer_.Enabled() && timer_.Interval() > 0)
      SetTimer(window_, id_, timer_.Interval(), nullptr);
  }
  void SetFocus() override {}

 private:
  toolkit::TTimer& timer_;
  HWND window_;
  UINT_PTR id_ = 0;
};

}  // namespace

void FireTimer(UINT_PTR id) {
  const auto it = Timers().find(id);
  if (it != Timers().end()) it->second->Tick();
}

std::unique_ptr<toolkit::TControlPeer> CreateWin32Peer(toolkit::TComponent& component,
                                                       HWND timer_window) {
  if (auto* form = dynamic_cast<toolkit::TForm*>(&component))
    return std::make_unique<TFormPeer>(*form);
  if (auto* panel = dynamic_cast<toolkit::TPanel*>(&component))
    return std::make_unique<TPanelPeer>(*panel);
  if (auto* label = dynamic_cast<toolkit::TLabel*>(&component))
    return std::make_unique<TLabelPeer>(*label);
  if (auto* edit = dynamic_cast<toolkit::TEdit*>(&component))
    return std::make_unique<TEditPeer>(*edit);
  if (auto* button = dynamic_cast<toolkit::TButton*>(&component)) {
    return std::make_unique<TButtonPeer>(*button);
  }
  if (auto* combo = dynamic_cast<toolkit::TComboBox*>(&component)) {
    return std::make_unique<TComboPeer>(*combo);
  }
  if (auto* bar = dynamic_cast<toolkit::TStatusBar*>(&component)) {
    return std::make_unique<TStatusBarPeer>(*bar);
  }
  if (auto* timer = dynamic_cast<toolkit::TTimer*>(&component)) {
    return std::make_unique<TTimerPeer>(*timer, timer_window);
  }
  return nullptr;
}

}  // namespace kestrum::toolkit::win32
