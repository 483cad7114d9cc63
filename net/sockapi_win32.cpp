// Binds the socket function table from ws2_32.dll at run time (never linked statically), with
// wship6.dll as the resolver's fallback. Libraries are loaded from the system directory only.
#include <string>

#include "net/sockplatform.h"
#include "platform/system_library_win32.h"

namespace kestrum::net {

const int kAfInet6 = AF_INET6;

namespace {

HMODULE main_library = nullptr;
HMODULE ipv6_library = nullptr;

const char kIPv6Library[] = "wship6.dll";

HMODULE LoadSystemLibrary(const std::string& name) {
  return platform::LoadSystemLibrary(std::wstring(name.begin(), name.end()).c_str());
}

template <typename T>
void LookUp(HMODULE library, const char* name, T& entry) {
  // Through the generic function type, which converts to any other without a warning.
  entry = reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

bool PlatformLoadLibrary(const std::string& name) {
  main_library = LoadSystemLibrary(name);
  return main_library != nullptr;
}

void PlatformBindTable(TSocketTable& table) {
#define KESTRUM_BIND_ENTRY(name) LookUp(main_library, #name, table.name);
  KESTRUM_SOCKET_FUNCTIONS(KESTRUM_BIND_ENTRY)
#undef KESTRUM_BIND_ENTRY
}

bool PlatformLoadIPv6Library() {
  ipv6_library = LoadSystemLibrary(kIPv6Library);
  return ipv6_library != nullptr;
}

void PlatformBindIPv6Resolver(TSocketTable& table) {
#define KESTRUM_BIND_ENTRY(name) LookUp(ipv6_library, #name, table.name);
  KESTRUM_RESOLVER_FUNCTIONS(KESTRUM_BIND_ENTRY)
#undef KESTRUM_BIND_ENTRY
}

void PlatformUnloadLibraries() {
  if (main_library != nullptr) FreeLibrary(main_library);
  if (ipv6_library != nullptr) FreeLibrary(ipv6_library);
  main_library = nullptr;
  ipv6_library = nullptr;
}

}  // namespace kestrum::net
