// Prints what the end-to-end harness must know of the product, from the product's own units:
// one "server<TAB>name" line per built-in time server in rotation order, then one
// "probe<TAB>address" line. The harness points these names at 127.0.0.1.
#include <cstdio>

#include "app/probe_address.h"
#include "app/servers.h"

int main() {
  using namespace kestrum::app;
  for (size_t k = 1; k <= kServerCount; ++k) std::printf("server\t%s\n", Server(k).c_str());
  std::printf("probe\t%s\n", kProbeAddress);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
