#include "app/servers.h"

namespace kestrum::app {

std::string Server(size_t k) { return std::string(kServers.at(k - 1)); }

std::string NextServer(std::string_view host) {
  for (size_t i = 0; i < kServerCount; ++i) {
    if (kServers[i] == host) return i + 1 < kServerCount ? std::string(kServers[i + 1]) : "";
  }
  return Server(1);
}

}  // namespace kestrum::app
