#pragma once
// The one mapping of POSIX errno values to the Winsock error codes that both socket seams
// report (the socket layer's function table and the Time client's Winsock 1.1 seam).

namespace kestrum::net {

// Unmapped errno values land here, clear of the Winsock range, so no table text is misapplied.
constexpr int kUnmappedErrnoBase = 20000;

// The Winsock code of `error`, or kUnmappedErrnoBase + `error` for one without a counterpart.
int WinsockErrorOfErrno(int error);

}  // namespace kestrum::net
