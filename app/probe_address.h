#pragma once
// The address the acquisition probes before it asks a time server, in a header of its own so
// that the end-to-end harness's facts helper reads the same constant.

namespace kestrum::app {

// The platform's own connectivity check: reachable means the network is up.
inline constexpr char kProbeAddress[] = "http://www.msftconnecttest.com/connecttest.txt";

}  // namespace kestrum::app
