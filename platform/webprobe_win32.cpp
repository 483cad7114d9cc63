// The network probe on Windows: one WinINet request. WinINet works asynchronously here, so
// that the caller waits on an event with a deadline of its own: time-outs of connect, send and
// receive alone do not end a server that trickles its headers or sends "100 Continue" without
// end, and automatic redirects would follow a loop for ever. Redirects are followed by hand, up
// to a limit, within the same deadline. WinINet is bound at run time from the system folder.
#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <string>

#include "platform/system_library_win32.h"
#include "platform/webprobe_win32.h"

namespace kestrum::platform {
namespace {

constexpr char kAgent[] = "Brelvint";
// Use the system's configured access (direct or proxy).
constexpr DWORD kAccessPreconfig = 0;
// Always from the network, never from the cache.
constexpr DWORD kReload = 0x80000000;
// The whole probe, redirects included: as long as the POSIX probe's budget.
constexpr int kSystemBudgetMs = 5000;
// Redirects followed before the probe counts as failed.
constexpr int kMaxRedirects = 5;
constexpr DWORD kLocationSize = 2048;

// The WinINet calls the probe makes, bound once; `bound` is false when any is missing.
// clang-format off
#define KESTRUM_WININET_FUNCTIONS(X) \
  X(InternetOpenA) X(InternetSetStatusCallbackA) X(InternetSetOptionA) X(InternetQueryOptionA) \
  X(InternetOpenUrlA) X(InternetCloseHandle) X(HttpQueryInfoA) X(InternetCombineUrlA)
// clang-format on

struct TWinInet {
  bool bound = false;
#define KESTRUM_DECLARE_ENTRY(name) decltype(&::name) name = nullptr;
  KESTRUM_WININET_FUNCTIONS(KESTRUM_DECLARE_ENTRY)
#undef KESTRUM_DECLARE_ENTRY
};

#define KESTRUM_ENTRY(name) {#name, offsetof(TWinInet, name)},
constexpr TLibraryEntry kEntries[] = {KESTRUM_WININET_FUNCTIONS(KESTRUM_ENTRY)};
#undef KESTRUM_ENTRY

TWinInet Bind() {
  TWinInet api;
  api.bound = BindEntries(LoadSystemLibrary(L"wininet.dll"), &api, kEntries,
                          sizeof kEntries / sizeof kEntries[0]);
  return api;
}

const TWinInet& WinInet() {
  static const TWinInet api = Bind();
  return api;
}

// One request's completion, shared by the caller and WinINet's worker: whichever lets go last
// frees it, so a request abandoned at the deadline may still complete later.
struct TCompletion {
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  PVOID created = nullptr;  // the request's handle, once announced
  HINTERNET request = nullptr;
  DWORD error = 0;
  LONG references = 2;
  LONG abandoned = 0;

  void Release() {
    if (InterlockedDecrement(&references) == 0) {
      if (done != nullptr) CloseHandle(done);
      delete this;
    }
  }
};

// The request's own handle: InternetOpenUrl may announce the connection's handle under it too.
bool IsRequestHandle(HINTERNET handle) {
  DWORD type = 0;
  DWORD size = sizeof type;
  return !WinInet().InternetQueryOptionA(handle, INTERNET_OPTION_HANDLE_TYPE, &type, &size) ||
         type == INTERNET_HANDLE_TYPE_HTTP_REQUEST;
}

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
  if (context == 0 || info == nullptr) return;
  auto* completion = reinterpret_cast<TCompletion*>(context);
  const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
  if (status == INTERNET_STATUS_HANDLE_CREATED) {
    // The completion's result only says whether the request succeeded; its handle comes here.
    const auto handle = reinterpret_cast<HINTERNET>(result->dwResult);
    if (handle != nullptr && IsRequestHandle(handle)) {
      InterlockedExchangePointer(&completion->created, handle);
    }
    return;
  }
  if (status != INTERNET_STATUS_REQUEST_COMPLETE) return;
  const auto created = static_cast<HINTERNET>(
      InterlockedCompareExchangePointer(&completion->created, nullptr, nullptr));
  const HINTERNET request = result->dwResult != 0 ? created : nullptr;
  if (InterlockedCompareExchange(&completion->abandoned, 0, 0) != 0) {
    if (request != nullptr) WinInet().InternetCloseHandle(request);
  } else {
    completion->request = request;
    completion->error = request != nullptr ? 0 : result->dwError;
    SetEvent(completion->done);
  }
  completion->Release();
}

DWORD MillisecondsLeft(DWORD start, DWORD budget_ms) {
  const DWORD elapsed = GetTickCount() - start;  // wraps safely
  return elapsed < budget_ms ? budget_ms - elapsed : 0;
}

void SetTimeouts(HINTERNET session, DWORD milliseconds) {
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                             INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    WinInet().InternetSetOptionA(session, option, &milliseconds, sizeof milliseconds);
  }
}

// Opens `url` and waits for its response head at most `wait_ms`; nullptr when it failed or
// did not come in time.
HINTERNET OpenWithin(HINTERNET session, const std::string& url, DWORD wait_ms, TWaitHook hook) {
  auto* completion = new TCompletion;
  if (completion->done == nullptr) {
    completion->references = 1;
    completion->Release();
    return nullptr;
  }
  constexpr DWORD kFlags = kReload | INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_UI |
                           INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_PRAGMA_NOCACHE;
  HINTERNET request = WinInet().InternetOpenUrlA(session, url.c_str(), nullptr, 0, kFlags,
                                                 reinterpret_cast<DWORD_PTR>(completion));
  if (request != nullptr || GetLastError() != ERROR_IO_PENDING) {
    // Finished at once: no completion will be signalled for it.
    completion->references = 1;
    completion->Release();
    return request;
  }
  const int signalled = WaitInSlices(wait_ms, hook, [completion](uint32_t slice) {
    return WaitForSingleObject(completion->done, slice) == WAIT_OBJECT_0 ? 1 : 0;
  });
  if (signalled != 0) {
    request = completion->request;
  } else {
    InterlockedExchange(&completion->abandoned, 1);
    // A completion that raced the flag hands its handle over all the same.
    if (WaitForSingleObject(completion->done, 0) == WAIT_OBJECT_0 && completion->request) {
      WinInet().InternetCloseHandle(completion->request);
    }
    request = nullptr;
  }
  completion->Release();
  return request;
}

DWORD StatusCode(HINTERNET request) {
  DWORD code = 0;
  DWORD size = sizeof code;
  if (!WinInet().HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code,
                                &size, nullptr)) {
    return 0;
  }
  return code;
}

bool IsRedirect(DWORD code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// Where a redirect points, made absolute against `base`; empty when it names nothing.
std::string Location(HINTERNET request, const std::string& base) {
  char location[kLocationSize] = {};
  DWORD size = sizeof location;
  if (!WinInet().HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location, &size, nullptr)) return {};
  char combined[kLocationSize] = {};
  DWORD combined_size = sizeof combined;
  if (!WinInet().InternetCombineUrlA(base.c_str(), location, combined, &combined_size,
                                     ICU_NO_ENCODE)) {
    return {};
  }
  return combined;
}

class TWinInetProbe final : public TWebProbePort {
 public:
  // WinINet is bound here, so that loading it takes nothing from the first probe's budget.
  explicit TWinInetProbe(int budget_ms) : budget_ms_(static_cast<DWORD>(budget_ms)) { WinInet(); }

  bool Probe(const std::string& url) override {
    const DWORD start = GetTickCount();
    const TWinInet& api = WinInet();
    if (!api.bound) return false;
    HINTERNET session =
        api.InternetOpenA(kAgent, kAccessPreconfig, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (session == nullptr) return false;
    api.InternetSetStatusCallbackA(session, OnStatus);
    SetTimeouts(session, budget_ms_);
    bool answered = false;
    std::string target = url;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
      const DWORD left = MillisecondsLeft(start, budget_ms_);
      if (left == 0) break;
      HINTERNET request = OpenWithin(session, target, left, WaitHook());
      if (request == nullptr) break;
      const DWORD code = StatusCode(request);
      const std::string next = IsRedirect(code) ? Location(request, target) : std::string();
      WinInet().InternetCloseHandle(request);
      if (next.empty()) {
        // Any response but a redirect is an answer (what automatic redirects ended at before).
        answered = code != 0 && !IsRedirect(code);
        break;
      }
      target = next;
    }
    // Pending work of an abandoned request ends with the session.
    WinInet().InternetCloseHandle(session);
    return answered;
  }

 private:
  DWORD budget_ms_;
};

}  // namespace

std::unique_ptr<TWebProbePort> MakeWinInetProbe(int budget_ms) {
  return std::make_unique<TWinInetProbe>(budget_ms);
}

TWebProbePort& SystemWebProbe() {
  static TWinInetProbe probe(kSystemBudgetMs);
  return probe;
}

}  // namespace kestrum::platform
