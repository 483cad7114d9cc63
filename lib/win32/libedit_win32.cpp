// The maker's edit control on a subclassed system edit: typed characters go through the
// control's key rules as Shift-JIS bytes, the caret and selection are read in bytes, and the
// control paints itself while it has no focus.
#include <windows.h>
// After windows.h, which it needs.
#include <imm.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "lib/libedit.h"
#include "lib/win32/lib_widgets.h"
#include "toolkit/ctl_form.h"
#include "toolkit/win32/gui_win32_internal.h"

namespace kestrum::lib::win32 {

// The toolkit's native peers, which the edit's peer extends.
using toolkit::win32::Guarded;
using toolkit::win32::Narrow;
using toolkit::win32::ToColorRef;
using toolkit::win32::TWin32Peer;
using toolkit::win32::TWin32WidgetSet;
using toolkit::win32::Wide;

namespace {

constexpr int kNarrowCaretWidth = 2;
// Scan code of Delete in the key messages the overwrite mode sends.
constexpr LPARAM kDeleteDown = 0x01530001;
constexpr LPARAM kDeleteUp = static_cast<LPARAM>(0xC1530001u);

class TLibEditWin32Peer final : public TWin32Peer, public lib::TLibEditPeer {
 public:
  explicit TLibEditWin32Peer(lib::TLibEdit& edit) : TWin32Peer(edit), edit_(edit) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | ES_AUTOHSCROLL;
    if (edit.Visible()) style |= WS_VISIBLE;
    if (!edit.Enabled()) style |= WS_DISABLED;
    if (edit.TabStop()) style |= WS_TABSTOP;
    if (edit.ReadOnly()) style |= ES_READONLY;
    if (edit.PasswordChar() != '\0') style |= ES_PASSWORD;
    // Right and centre replace the left alignment.
    if (edit.Alignment() == toolkit::TAlignment::taRightJustify) style |= ES_RIGHT;
    if (edit.Alignment() == toolkit::TAlignment::taCenter) style |= ES_CENTER;
    DWORD ex_style = 0;
    if (edit.BorderStyle() == toolkit::TBorderStyle::bsSingle) {
      if (edit.Ctl3D()) {
        ex_style |= WS_EX_CLIENTEDGE;
      } else {
        style |= WS_BORDER;
      }
    }
    const auto& b = edit.Bounds();
    Create(ex_style, L"EDIT", style, ParentHandle(), b.left, b.top, b.width, b.height);
    ApplyLimit();
    // Over the toolkit's own routing of keys and focus, which stays in place below.
    routing_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc)));
  }
  ~TLibEditWin32Peer() override {
    SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(routing_proc_));
  }

  void Changed(toolkit::TProperty property) override {
    if (property == toolkit::TProperty::ReadOnly) {
      SendMessageW(Handle(), EM_SETREADONLY, edit_.ReadOnly(), 0);
    } else {
      TWin32Peer::Changed(property);
    }
    InvalidateRect(Handle(), nullptr, TRUE);
  }
  void Command(WORD code) override {
    if (code == EN_CHANGE) Guarded([&] { edit_.UserEdited(WindowText()); });
  }

  int SelStart() const override { return Selection().first; }
  int SelLength() const override {
    const auto [start, end] = Selection();
    return end - start;
  }
  void SetSelection(int start, int length) override {
    const std::string text = edit_.Text();
    SendMessageW(Handle(), EM_SETSEL, WideOffset(text, start), WideOffset(text, start + length));
  }
  void ShapeCaret(int width_bytes) override {
    if (GetFocus() != Handle()) return;
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, FontHandle());
    const std::string text = edit_.Text();
    const int start = SelStart();
    std::wstring under = Wide(text.substr(static_cast<size_t>(start),
                                          static_cast<size_t>(width_bytes > 0 ? width_bytes : 1)));
    if (under.empty()) under = L"A";
    SIZE size{};
    GetTextExtentPoint32W(dc, under.c_str(), static_cast<int>(under.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    CreateCaret(Handle(), nullptr, width_bytes > 0 ? size.cx : kNarrowCaretWidth, size.cy);
    ShowCaret(Handle());
  }
  void SendDeleteKey() override {
    SendMessageW(Handle(), WM_KEYDOWN, VK_DELETE, kDeleteDown);
    SendMessageW(Handle(), WM_KEYUP, VK_DELETE, kDeleteUp);
  }
  void Repaint() override { InvalidateRect(Handle(), nullptr, TRUE); }

 private:
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = dynamic_cast<TLibEditWin32Peer*>(FromHandle(hwnd));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    return self->OnMessage(message, wparam, lparam);
  }

  LRESULT Routed(UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcW(routing_proc_, Handle(), message, wparam, lparam);
  }

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_CHAR:
        return TypedCharacter(static_cast<wchar_t>(wparam), lparam);
      case WM_IME_CHAR:
        // The system edit would insert it itself.
        return TypedCharacter(static_cast<wchar_t>(wparam), 1);
      case WM_IME_COMPOSITION:
        if ((lparam & GCS_RESULTSTR) != 0) {
          CommittedString();
          lparam &= ~static_cast<LPARAM>(GCS_RESULTSTR | GCS_RESULTREADSTR | GCS_RESULTCLAUSE |
                                         GCS_RESULTREADCLAUSE);
          if ((lparam & ~static_cast<LPARAM>(GCS_CURSORPOS | GCS_DELTASTART)) == 0) return 0;
        }
        break;
      case WM_KEYDOWN:
        // Shift+Insert: the system edit pastes without a WM_PASTE.
        if (wparam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
          SendMessageW(Handle(), WM_PASTE, 0, 0);
          return 0;
        }
        break;
      case WM_PAINT:
      case WM_PRINTCLIENT:
        // A DC in wParam is painted into as it is; otherwise one is begun around the painting.
        if (!edit_.FieldFocused()) {
          PaintUnfocused(reinterpret_cast<HDC>(wparam));
          return 0;
        } else {
          const LRESULT result = Routed(message, wparam, lparam);
          Guarded([&] { edit_.PaintedFocused(); });
          return result;
        }
      case WM_CUT:
        Guarded([&] { edit_.CutOrPaste(); });
        break;
      case WM_PASTE:
        PasteClipboard();
        return 0;
      case WM_LBUTTONDOWN: {
        const LRESULT result = Routed(message, wparam, lparam);
        Guarded([&] { edit_.MouseDown(); });
        return result;
      }
      case WM_LBUTTONUP: {
        const LRESULT result = Routed(message, wparam, lparam);
        Guarded([&] { edit_.MouseUp(); });
        return result;
      }
      case WM_SETFOCUS:
      case WM_KILLFOCUS: {
        const LRESULT result = Routed(message, wparam, lparam);
        ApplyLimit();
        if (message == WM_SETFOCUS) ApplyImeMode();
        InvalidateRect(Handle(), nullptr, TRUE);
        return result;
      }
      default:
        break;
    }
    return Routed(message, wparam, lparam);
  }

  // The character goes through the key rules whole; it reaches the edit only when accepted.
  LRESULT TypedCharacter(wchar_t ch, LPARAM lparam) {
    std::string bytes = Narrow(std::wstring(1, ch));
    if (bytes.empty()) return CallOriginal(WM_CHAR, ch, lparam);
    bool accepted = false;
    Guarded([&] {
      edit_.KeyPressCharacter(bytes);
      accepted = !bytes.empty();
    });
    if (!accepted) return 0;
    const std::wstring wide = Wide(bytes);
    return wide.empty() ? 0 : CallOriginal(WM_CHAR, wide[0], lparam);
  }

  // A string the input method commits is typed, character by character.
  void CommittedString() {
    HIMC context = ImmGetContext(Handle());
    if (context == nullptr) return;
    const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
    std::wstring text(bytes > 0 ? static_cast<size_t>(bytes) / sizeof(wchar_t) : 0, L'\0');
    if (!text.empty()) {
      ImmGetCompositionStringW(context, GCS_RESULTSTR, text.data(),
                               static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    }
    ImmReleaseContext(Handle(), context);
    for (const wchar_t ch : text) TypedCharacter(ch, 1);
  }

  // The input method as the field asks for it, once its focus entry has run.
  void ApplyImeMode() {
    // The entry may have sent the focus on to another control, which then decides.
    if (GetFocus() != Handle() || edit_.ImeMode() == lib::TImeMode::imDontCare) return;
    HIMC context = ImmGetContext(Handle());
    if (context == nullptr) return;
    ImmSetOpenStatus(context, edit_.ImeMode() == lib::TImeMode::imOpen);
    ImmReleaseContext(Handle(), context);
  }

  // The control decides how much of the clipboard's text goes in.
  void PasteClipboard() {
    std::wstring clipboard;
    if (OpenClipboard(Handle())) {
      if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
          clipboard = text;
          GlobalUnlock(data);
        }
      }
      CloseClipboard();
    }
    std::string piece;
    Guarded([&] { piece = edit_.PasteText(Narrow(clipboard)); });
    if (!piece.empty()) {
      SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(piece).c_str()));
    }
  }

  // The native edit counts characters; the control's limit counts bytes in its own key rule.
  void ApplyLimit() {
    SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(edit_.MaxLength()), 0);
  }

  std::string WindowText() const {
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1);
    GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()));
    return Narrow(text.data());
  }

  // Start and end of the selection, in bytes of the Shift-JIS text.
  std::pair<int, int> Selection() const {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1);
    GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()));
    const std::wstring wide(text.data());
    auto bytes = [&](DWORD units) {
      return static_cast<int>(Narrow(wide.substr(0, std::min<size_t>(units, wide.size()))).size());
    };
    return {bytes(start), bytes(end)};
  }

  static int WideOffset(const std::string& text, int bytes) {
    if (bytes <= 0) return 0;
    return static_cast<int>(Wide(text.substr(0, static_cast<size_t>(bytes))).size());
  }

  void PaintUnfocused(HDC given) {
    PAINTSTRUCT ps;
    HDC dc = given != nullptr ? given : BeginPaint(Handle(), &ps);
    lib::TLibEdit::TLook look{};
    bool ok = false;
    Guarded([&] {
      look = edit_.UnfocusedLook();
      ok = true;
    });
    RECT rc;
    GetClientRect(Handle(), &rc);
    if (ok) {
      if (look.frame) {
        FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&rc, -1, -1);
      }
      HGDIOBJ old_font = SelectObject(dc, FontHandle());
      SetTextColor(dc, ToColorRef(look.text_color));
      SetBkColor(dc, ToColorRef(look.background));
      const std::wstring text = Wide(look.text);
      SIZE size{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      const int left_margin =
          look.border_offset + LOWORD(SendMessageW(Handle(), EM_GETMARGINS, 0, 0));
      const int x =
          lib::TLibEdit::TextLeft(edit_.Alignment(), rc.right - rc.left, size.cx, left_margin);
      ExtTextOutW(dc, rc.left + x, rc.top + look.border_offset, ETO_CLIPPED | ETO_OPAQUE, &rc,
                  text.c_str(), static_cast<UINT>(text.size()), nullptr);
      SelectObject(dc, old_font);
    }
    if (given == nullptr) EndPaint(Handle(), &ps);
  }

  lib::TLibEdit& edit_;
  WNDPROC routing_proc_ = nullptr;
};

// The toolkit's widget set with the maker's edit on a native edit.
class TLibWidgetSet final : public TWin32WidgetSet {
 public:
  std::unique_ptr<toolkit::TControlPeer> CreatePeer(toolkit::TComponent& component) override {
    if (auto* edit = dynamic_cast<lib::TLibEdit*>(&component))
      return std::make_unique<TLibEditWin32Peer>(*edit);
    return TWin32WidgetSet::CreatePeer(component);
  }
};

}  // namespace

toolkit::TWidgetSet& LibWidgetSet() {
  static TLibWidgetSet widget_set;
  return widget_set;
}

}  // namespace kestrum::lib::win32
