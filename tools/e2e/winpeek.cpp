// Reads Kestrum's windows from outside the program, for the end-to-end harness: finds the main
// or the progress window and prints its controls (class, place, state, text) as UTF-8 lines;
// can also press a button and tell which control has the keyboard focus.
//
//   kestrum-winpeek dump main|progress    one "window" line, then one "control" line per child
//   kestrum-winpeek quick main|progress   the same without asking the program (texts of edits,
//                                         lists and the status bar may be stale)
//   kestrum-winpeek click main CAPTION    posts a click to the button with that caption
//   kestrum-winpeek focus main            the control that has the keyboard focus
//   kestrum-winpeek pick main X Y INDEX   selects entry INDEX of the list at (X, Y) as the
//                                         user's pick does (the list's change notification)
//   kestrum-winpeek answer CAPTION ID     presses the button ID (1 OK, 6 Yes, 7 No) of the
//                                         message box with that caption
//   kestrum-winpeek close main            asks the window to close, as its close box does
//   kestrum-winpeek watch main|progress X Y SECONDS
//                                         says "watching", waits for the window, dumps it,
//                                         then prints every new text of the control at (X, Y)
//                                         until it is gone
//   kestrum-winpeek ping main|progress MS sends WM_NULL, as the system's hang check does, and
//                                         prints "answered" and the milliseconds it took
//   kestrum-winpeek pick main X Y INDEX   selects entry INDEX of the list at (X, Y) and
//                                         notifies the window as a pick by the user does
//   kestrum-winpeek box CAPTION [press]   prints the texts of the message box with that
//                                         caption; "press" then presses its first button
//   kestrum-winpeek link FILE             prints the target, arguments and working folder of
//                                         a shell link, and whether the target exists
//
// Exit status: 0 done, 2 window not found, 3 control not found, 4 window busy, 1 usage.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

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

// Long enough for a pump after a time server's 5 s time-out.
constexpr UINT kReplyTimeoutMs = 8000;
constexpr UINT kWatchReplyTimeoutMs = 250;
constexpr DWORD kWatchPollMs = 20;
constexpr int kExitBusy = 4;

// The program answers only when it pumps messages.
bool TryAsk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT timeout_ms,
            LRESULT& result) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_NORMAL, timeout_ms, &answer) == 0) {
    return false;
  }
  result = static_cast<LRESULT>(answer);
  return true;
}

LRESULT Ask(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (!TryAsk(hwnd, message, wparam, lparam, kReplyTimeoutMs, result)) {
    std::fputs("kestrum-winpeek: the window does not answer\n", stderr);
    ExitProcess(kExitBusy);
  }
  return result;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// Window text through WM_GETTEXT, which the system copies between processes.
std::wstring MessageText(HWND hwnd) {
  const auto length = Ask(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const auto copied = Ask(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

// The text the system keeps for a window: no message, so a busy program does not hold us.
std::wstring StoredText(HWND hwnd) {
  wchar_t text[512] = {};
  const int length = InternalGetWindowText(hwnd, text, 512);
  return std::wstring(text, static_cast<size_t>(length));
}

// Edits, lists and the status bar keep their text themselves; the other controls leave it to
// the system.
std::wstring TextOf(HWND hwnd) {
  const std::wstring cls = ClassOf(hwnd);
  if (cls == L"Edit" || cls == L"ComboBox" || cls == STATUSCLASSNAMEW) return MessageText(hwnd);
  return StoredText(hwnd);
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

// `quick`: only what the system keeps, so that a busy program cannot hold the dump.
int Dump(HWND top, bool quick) {
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
  PrintLine(head + std::string("\t") + Field(StoredText(top)));

  for (HWND child : Descendants(top)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    const std::wstring cls = ClassOf(child);
    std::string extra;
    if (!quick && cls == L"ComboBox") extra = ComboFacts(child);
    if (!quick && cls == STATUSCLASSNAMEW) extra = StatusFacts(child);
    char place[160];
    std::snprintf(place, sizeof place, "%ld\t%ld\t%ld\t%ld\t%d\t%d\t%d", r.left, r.top,
                  r.right - r.left, r.bottom - r.top, IsWindowVisible(child) ? 1 : 0,
                  IsWindowEnabled(child) ? 1 : 0, GetParent(child) == top ? 0 : 1);
    PrintLine("control\t" + Field(cls) + "\t" + place + "\t" +
              Field(quick ? StoredText(child) : TextOf(child)) + "\t" + extra);
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

// The child of `top` (at any depth) whose place in its parent is (x, y).
HWND ControlAt(HWND top, int x, int y) {
  for (HWND child : Descendants(top)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    if (r.left == x && r.top == y) return child;
  }
  return nullptr;
}

struct TBoxFind {
  std::wstring caption;
  HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  auto* find = reinterpret_cast<TBoxFind*>(param);
  if (ClassOf(hwnd) != L"#32770" || !IsWindowVisible(hwnd) || TextOf(hwnd) != find->caption) {
    return TRUE;
  }
  find->found = hwnd;
  return FALSE;
}

// Presses a button of the visible message box with that caption.
int Answer(const std::wstring& caption, int id) {
  TBoxFind find{caption, nullptr};
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&find));
  if (find.found == nullptr) return kExitNotFound;
  PostMessageW(find.found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  return 0;
}

// Follows one control's text from the moment the window shows until it is gone: a dump of the
// window first, then a "text" line for every new text, and "gone" at the end. Each pump of the
// program answers the question that waits for it, so no status shown at a pump is missed.
int Watch(const std::wstring& which, int x, int y, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  PrintLine("watching");
  HWND top = nullptr;
  HWND control = nullptr;
  std::wstring last;
  bool first = true;
  while (GetTickCount() - start < timeout_ms) {
    if (top != nullptr && !IsWindow(top)) break;
    if (top == nullptr) top = FindWindowOf(which);
    if (top == nullptr || !IsWindowVisible(top)) {
      Sleep(kWatchPollMs);
      continue;
    }
    if (control == nullptr) {
      Dump(top, true);
      control = ControlAt(top, x, y);
      if (control == nullptr) return kExitNoControl;
    }
    std::wstring text;
    if (ClassOf(control) == L"Edit" || ClassOf(control) == STATUSCLASSNAMEW) {
      wchar_t buffer[256] = {};
      LRESULT copied = 0;
      if (!TryAsk(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer), kWatchReplyTimeoutMs,
                  copied)) {
        continue;
      }
      text = buffer;
    } else {
      text = StoredText(control);
    }
    if (first || last != text) {
      first = false;
      last = text;
      PrintLine("text\t" + Field(last));
    }
    Sleep(kWatchPollMs);
  }
  PrintLine(top != nullptr && !IsWindow(top) ? "gone" : "timeout");
  return 0;
}

// Answered within `timeout_ms`, or exit status 4.
int Ping(HWND top, UINT timeout_ms) {
  const DWORD start = GetTickCount();
  LRESULT ignored = 0;
  const bool answered = TryAsk(top, WM_NULL, 0, 0, timeout_ms, ignored);
  PrintLine((answered ? "answered\t" : "busy\t") + std::to_string(GetTickCount() - start));
  return answered ? 0 : kExitBusy;
}

// What a user's pick in the list sends: the new selection, then the list's notification.
int Pick(HWND top, int x, int y, int index) {
  HWND list = ControlAt(top, x, y);
  if (list == nullptr) return kExitNoControl;
  Ask(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  return 0;
}

int Box(const std::wstring& caption, bool press) {
  TBoxFind find{caption, nullptr};
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&find));
  if (find.found == nullptr) return kExitNotFound;
  PrintLine("box\t" + Field(caption));
  HWND button = nullptr;
  for (HWND child : Descendants(find.found)) {
    const std::wstring cls = ClassOf(child);
    if (cls == L"Static" && !StoredText(child).empty())
      PrintLine("text\t" + Field(StoredText(child)));
    if (cls == L"Button" && button == nullptr) button = child;
  }
  if (press && button != nullptr) PostMessageW(button, BM_CLICK, 0, 0);
  return 0;
}

int Link(const wchar_t* file) {
  CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  IPersistFile* persist = nullptr;
  int status = kExitNotFound;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
      SUCCEEDED(persist->Load(file, STGM_READ))) {
    wchar_t text[MAX_PATH] = {};
    // The item id list keeps every character; the link's path text may hold only what the
    // writer's ANSI code page could.
    LPITEMIDLIST ids = nullptr;
    if (FAILED(link->GetIDList(&ids)) || ids == nullptr || !SHGetPathFromIDListW(ids, text)) {
      link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    }
    CoTaskMemFree(ids);
    const DWORD attributes = GetFileAttributesW(text);
    PrintLine("target\t" + Field(text) + "\t" +
              (attributes != INVALID_FILE_ATTRIBUTES ? "exists" : "missing"));
    link->GetArguments(text, MAX_PATH);
    PrintLine("arguments\t" + Field(text));
    link->GetWorkingDirectory(text, MAX_PATH);
    PrintLine("folder\t" + Field(text));
    status = 0;
  }
  if (persist != nullptr) persist->Release();
  if (link != nullptr) link->Release();
  CoUninitialize();
  return status;
}

}  // namespace

int main() {
  // Wide arguments: the caption to click is Japanese, whatever the code page.
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) {
    std::fputs(
        "usage: kestrum-winpeek dump|quick|click|focus|close|watch|ping|pick main|progress ...\n"
        "       kestrum-winpeek box CAPTION [press] | link FILE\n",
        stderr);
    return 1;
  }
  const std::wstring command = argv[1];
  if (command == L"watch" && argc > 5) {
    return Watch(argv[2], _wtoi(argv[3]), _wtoi(argv[4]),
                 static_cast<DWORD>(_wtoi(argv[5])) * 1000);
  }
  if (command == L"box") return Box(argv[2], argc > 3 && std::wstring(argv[3]) == L"press");
  if (command == L"link") return Link(argv[2]);
  if (command == L"answer" && argc > 3) return Answer(argv[2], _wtoi(argv[3]));
  HWND top = FindWindowOf(argv[2]);
  if (top == nullptr) return kExitNotFound;
  if (command == L"dump") return Dump(top, false);
  if (command == L"quick") return Dump(top, true);
  if (command == L"focus") return Focus(top);
  if (command == L"ping" && argc > 3) return Ping(top, static_cast<UINT>(_wtoi(argv[3])));
  if (command == L"pick" && argc > 5) {
    return Pick(top, _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]));
  }
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
  if (command == L"pick" && argc > 5) {
    HWND list = ControlAt(top, _wtoi(argv[3]), _wtoi(argv[4]));
    if (list == nullptr) return kExitNoControl;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(argv[5])), 0);
    // Posted: the handler shows modal boxes that this helper must not wait for.
    PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return 0;
  }
  return 1;
}
