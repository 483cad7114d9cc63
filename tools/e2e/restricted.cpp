// Starts a program under this user's token without the right to change the system time, as an
// administrator's filtered token is at logon: the filtered half of the token pair when there
// is one, with SeSystemtimePrivilege deleted. Waits for the program and returns its exit code.
//
//   kestrum-restricted PROGRAM [ARGUMENTS...]
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kExitCannotStart = 120;

// The token to restrict: the filtered half of an elevated administrator's pair, else our own.
HANDLE BaseToken() {
  HANDLE own = nullptr;
  const DWORD access = TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY;
  if (!OpenProcessToken(GetCurrentProcess(), access, &own)) return nullptr;
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  if (GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size) &&
      type == TokenElevationTypeFull &&
      GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
    CloseHandle(own);
    return linked.LinkedToken;
  }
  return own;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) {
    std::fprintf(stderr, "usage: kestrum-restricted PROGRAM [ARGUMENTS...]\n");
    return 1;
  }
  std::wstring command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += L" ";
    command_line += L"\"" + std::wstring(argv[i]) + L"\"";
  }
  HANDLE base = BaseToken();
  LUID time_right{};
  LookupPrivilegeValueW(nullptr, L"SeSystemtimePrivilege", &time_right);
  LUID_AND_ATTRIBUTES deleted{time_right, 0};
  HANDLE restricted = nullptr;
  if (base == nullptr ||
      !CreateRestrictedToken(base, 0, 0, nullptr, 1, &deleted, 0, nullptr, &restricted)) {
    std::fprintf(stderr, "kestrum-restricted: no restricted token (%lu)\n", GetLastError());
    return kExitCannotStart;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessAsUserW(restricted, argv[1], command_line.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "kestrum-restricted: cannot start (%lu)\n", GetLastError());
    return kExitCannotStart;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
