// A stand-in for a DLL an attacker drops beside the program (a Downloads folder): copied under
// the name of a system DLL, it leaves "<its file name>.loaded" beside itself when any process
// loads it. It exports nothing, so a load-time import bound to it fails the program's start.
#include <windows.h>

namespace {

void LeaveMark(HINSTANCE self) {
  constexpr wchar_t kSuffix[] = L".loaded";
  constexpr DWORD kSuffixLength = sizeof kSuffix / sizeof kSuffix[0];
  wchar_t path[MAX_PATH + kSuffixLength];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  for (DWORD k = 0; k < kSuffixLength; ++k) path[length + k] = kSuffix[k];
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMark(self);
  return TRUE;
}
