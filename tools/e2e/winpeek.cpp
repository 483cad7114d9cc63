// Reads Kestrum's windows from outside the program, for the end-to-end harness: finds the main
// or the progress window and prints its controls (class, place, state, text) as UTF-8 lines;
// can also press a button and tell which control has the keyboard focus.
//
//   kestrum-winpeek dump main|progress    one "window" line, then one "control" line per child
//   kestrum-winpeek click main CAPTION    posts a click to the button with that caption
//   kestrum-winpeek focus main            the control that has the keyboard focus
//   kestrum-winpeek close main            asks the window to close, as its close box does
//
// Exit status: 0 done, 2 window not found, 3 control not found, 4 window busy, 1 usage.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kFormClass[] = L"KestrumForm";
constexpr int kExitNotFound = 2;
constexpr int kExitNoControl = 3;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

constexpr UINT kReplyTimeoutMs = 2000;
constexpr int kExitBusy = 4;

// The program answers only when it pumps messages; a long step must not hold this helper.
LRESULT Ask(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, kReplyTimeoutMs,
                          &result) == 0) {
    std::fputs("kestrum-winpeek: the window does not answer\n", stderr);
    ExitProcess(kExitBusy);
  }
  return static_cast<LRESULT>(result);
}

// Window text through WM_GETTEXT, which the system copies between processes.
std::wstring TextOf(HWND hwnd) {
  const auto length = Ask(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const auto copied = Ask(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// Tabs and line ends would break the line format.
std::string Field(const std::wstring& text) {
  std::string out = Utf8(text);
  for (char& c : out) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

struct TFind {
  bool main;
  HWND found;
};

// The main window has a caption bar; the progress window has none.
BOOL CALLBACK FindForm(HWND hwnd, LPARAM param) {
  auto* find = reinterpret_cast<TFind*>(param);
  if (ClassOf(hwnd) != kFormClass) return TRUE;
  const bool captioned = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  if (captioned != find->main) return TRUE;
  find->found = hwnd;
  return FALSE;
}

HWND FindWindowOf(const std::wstring& which) {
  TFind find{which == L"main", nullptr};
  EnumWindows(FindForm, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Descendants(HWND top) {
  std::vector<HWND> children;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// Lists in the order the harness expects extra fields: items, selection, heights, visible rows.
std::string ComboFacts(HWND hwnd) {
  const auto count = Ask(hwnd, CB_GETCOUNT, 0, 0);
  const auto selected = Ask(hwnd, CB_GETCURSEL, 0, 0);
  const auto field_height = Ask(hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  const auto item_height = Ask(hwnd, CB_GETITEMHEIGHT, 0, 0);
  RECT dropped{};
  Ask(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  char out[160];
  std::snprintf(out, sizeof out, "items=%lld sel=%lld field=%lld item=%lld dropped=%ld",
                static_cast<long long>(count), static_cast<long long>(selected),
                static_cast<long long>(field_height), static_cast<long long>(item_height),
                dropped.bottom - dropped.top);
  return out;
}

std::string StatusFacts(HWND hwnd) {
  const auto parts = Ask(hwnd, SB_GETPARTS, 0, 0);
  const bool grip = (GetWindowLongW(hwnd, GWL_STYLE) & SBARS_SIZEGRIP) != 0;
  char out[64];
  std::snprintf(out, sizeof out, "parts=%lld grip=%d", static_cast<long long>(parts), grip);
  return out;
}

void PrintLine(const std::string& line) {
  const std::string out = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
}

int Dump(HWND top) {
  RECT window{};
  RECT client{};
  GetWindowRect(top, &window);
  GetClientRect(top, &client);
  POINT origin{0, 0};
  ClientToScreen(top, &origin);
  char head[256];
  std::snprintf(head, sizeof head,
                "window\t%d\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%08lx\t%08lx",
                IsWindowVisible(top) ? 1 : 0, origin.x, origin.y, client.right, client.bottom,
                window.left, window.top, window.right - window.left, window.bottom - window.top,
                static_cast<unsigned long>(GetWindowLongW(top, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongW(top, GWL_EXSTYLE)));
  PrintLine(head + std::string("\t") + Field(TextOf(top)));

  for (HWND child : Descendants(top)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    const std::wstring cls = ClassOf(child);
    std::string extra;
    if (cls == L"ComboBox") extra = ComboFacts(child);
    if (cls == STATUSCLASSNAMEW) extra = StatusFacts(child);
    char place[160];
    std::snprintf(place, sizeof place, "%ld\t%ld\t%ld\t%ld\t%d\t%d\t%d", r.left, r.top,
                  r.right - r.left, r.bottom - r.top, IsWindowVisible(child) ? 1 : 0,
                  IsWindowEnabled(child) ? 1 : 0, GetParent(child) == top ? 0 : 1);
    PrintLine("control\t" + Field(cls) + "\t" + place + "\t" + Field(TextOf(child)) + "\t" + extra);
  }
  return 0;
}

HWND FindButton(HWND top, const std::wstring& caption) {
  for (HWND child : Descendants(top)) {
    if (ClassOf(child) == L"Button" && TextOf(child) == caption) return child;
  }
  return nullptr;
}

int Focus(HWND top) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(top, nullptr);
  if (!GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) return kExitNoControl;
  RECT r{};
  GetWindowRect(info.hwndFocus, &r);
  MapWindowPoints(nullptr, GetParent(info.hwndFocus), reinterpret_cast<POINT*>(&r), 2);
  char place[64];
  std::snprintf(place, sizeof place, "%ld\t%ld", r.left, r.top);
  PrintLine("focus\t" + Field(ClassOf(info.hwndFocus)) + "\t" + place + "\t" +
            Field(TextOf(info.hwndFocus)));
  return 0;
}

}  // namespace

int main() {
  // Wide arguments: the caption to click is Japanese, whatever the code page.
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) {
    std::fputs("usage: kestrum-winpeek dump|click|focus|close main|progress [CAPTION]\n", stderr);
    return 1;
  }
  const std::wstring command = argv[1];
  HWND top = FindWindowOf(argv[2]);
  if (top == nullptr) return kExitNotFound;
  if (command == L"dump") return Dump(top);
  if (command == L"focus") return Focus(top);
  if (command == L"close") {
    PostMessageW(top, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"click" && argc > 3) {
    HWND button = FindButton(top, argv[3]);
    if (button == nullptr) return kExitNoControl;
    // Posted, so that a long handler in the program does not hold this helper.
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  return 1;
}
