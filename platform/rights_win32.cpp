// Rights on Windows: the process token's elevation type and privileges, ShellExecuteEx with
// the "runas" verb, and the local security policy for the grant.
#include <windows.h>
// After windows.h, which they need.
#include <ntsecapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "platform/rights.h"
#include "platform/wait.h"
#include "platform/wide_win32.h"

namespace kestrum::platform {
namespace {

constexpr wchar_t kTimePrivilege[] = L"SeSystemtimePrivilege";
constexpr wchar_t kRunAsVerb[] = L"runas";

class TToken {
 public:
  explicit TToken(HANDLE handle) : handle_(handle) {}
  TToken(const TToken&) = delete;
  TToken& operator=(const TToken&) = delete;
  ~TToken() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  HANDLE Get() const { return handle_; }

  static TToken OfThisProcess() {
    HANDLE handle = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &handle)) handle = nullptr;
    return TToken(handle);
  }

  // Default when the system knows no elevation (UAC off, or no UAC at all).
  TOKEN_ELEVATION_TYPE ElevationType() const {
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (handle_ == nullptr ||
        !GetTokenInformation(handle_, TokenElevationType, &type, sizeof(type), &size)) {
      return TokenElevationTypeDefault;
    }
    return type;
  }

  // Held, enabled or not: the clock call enables it for itself.
  bool HoldsTimePrivilege() const {
    LUID luid;
    if (handle_ == nullptr || !LookupPrivilegeValueW(nullptr, kTimePrivilege, &luid)) return false;
    DWORD size = 0;
    GetTokenInformation(handle_, TokenPrivileges, nullptr, 0, &size);
    if (size == 0) return false;
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(handle_, TokenPrivileges, buffer.data(), size, &size)) return false;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
      const LUID& held = privileges->Privileges[i].Luid;
      if (held.LowPart == luid.LowPart && held.HighPart == luid.HighPart) return true;
    }
    return false;
  }

  // The other half of an administrator's pair of tokens; none for other tokens.
  TToken Linked() const {
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (handle_ == nullptr ||
        !GetTokenInformation(handle_, TokenLinkedToken, &linked, sizeof(linked), &size)) {
      return TToken(nullptr);
    }
    return TToken(linked.LinkedToken);
  }

 private:
  HANDLE handle_;
};

TClockRight RightOf(const TToken& token) {
  if (token.HoldsTimePrivilege()) return TClockRight::kHeld;
  return token.ElevationType() == TokenElevationTypeLimited ? TClockRight::kNeedsElevation
                                                            : TClockRight::kNeedsGrant;
}

class TWin32Rights final : public TRightsPort {
 public:
  TClockRight ThisProcess() override { return RightOf(TToken::OfThisProcess()); }

  TClockRight LogonRun() override {
    const TToken token = TToken::OfThisProcess();
    if (token.ElevationType() != TokenElevationTypeFull) return RightOf(token);
    // Elevated now; a logon run gets the filtered half of the pair.
    const TToken filtered = token.Linked();
    if (filtered.Get() == nullptr) return TClockRight::kNeedsElevation;
    return filtered.HoldsTimePrivilege() ? TClockRight::kHeld : TClockRight::kNeedsElevation;
  }

  std::string AccountId() override {
    const TToken token = TToken::OfThisProcess();
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    if (!ConvertSidToStringSidW(user->User.Sid, &text)) return {};
    const std::wstring wide(text);
    LocalFree(text);
    return base::Utf16ToSjis(std::u16string(wide.begin(), wide.end()));
  }

  TElevatedRun RunElevated(const std::string& target, const std::string& arguments,
                           const std::string& folder) override {
    const std::wstring file = WidePath(target);
    const std::wstring parameters = Wide(arguments);
    const std::wstring directory = WidePath(folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = GetActiveWindow();
    info.lpVerb = kRunAsVerb;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    TElevatedRun run;
    if (!ShellExecuteExW(&info)) {
      run.outcome = GetLastError() == ERROR_CANCELLED ? TElevation::kRefused : TElevation::kFailed;
      return run;
    }
    if (info.hProcess == nullptr) return run;
    // Sent messages are answered inside PeekMessage; posted input stays queued.
    MSG msg;
    while (WaitForSingleObject(info.hProcess, kWaitSliceMs) == WAIT_TIMEOUT) {
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    DWORD code = 0;
    if (GetExitCodeProcess(info.hProcess, &code)) {
      run.outcome = TElevation::kEnded;
      run.exit_code = code;
    }
    CloseHandle(info.hProcess);
    return run;
  }

  bool GrantClockRight(const std::string& account_id) override {
    const std::wstring text = Wide(account_id);
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text.c_str(), &sid)) return false;
    LSA_OBJECT_ATTRIBUTES attributes{};
    LSA_HANDLE policy = nullptr;
    bool granted = false;
    if (LsaOpenPolicy(nullptr, &attributes, POLICY_CREATE_ACCOUNT | POLICY_LOOKUP_NAMES, &policy) ==
        0) {
      std::wstring name = kTimePrivilege;
      LSA_UNICODE_STRING right;
      right.Buffer = name.data();
      right.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
      right.MaximumLength = right.Length;
      granted = LsaAddAccountRights(policy, sid, &right, 1) == 0;
      LsaClose(policy);
    }
    LocalFree(sid);
    return granted;
  }
};

}  // namespace

TRightsPort& SystemRights() {
  static TWin32Rights rights;
  return rights;
}

}  // namespace kestrum::platform
