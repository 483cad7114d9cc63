#pragma once
// An SNTP server on 127.0.0.1 whose clock is shifted by a known amount, behind a path that
// delays each direction: a request is held before its receive time is stamped, the reply after
// its transmit time is. The kernel here has no netem, so the path is made in user space.

#include <cstdint>
#include <string>

namespace kestrum::bench {

struct TPath {
  uint32_t out_ms = 0;
  uint32_t back_ms = 0;
  uint32_t jitter_ms = 0;  // each direction 0 to this many ms longer, drawn per request
};

// Serves for `seconds`, writing `ready_file` once bound; 1 when the port cannot be bound.
int ServeBehindPath(uint16_t port, double shift_seconds, const TPath& path, double seconds,
                    const std::string& ready_file);

}  // namespace kestrum::bench
