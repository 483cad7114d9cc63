#pragma once
// The built-in list of time servers (server 1 to 11) and the rotation from one to the next.

#include <array>
#include <string>
#include <string_view>

namespace kestrum::app {

constexpr size_t kServerCount = 11;

// Japanese servers first; the NIST servers also answer the Time protocol on TCP port 37.
constexpr std::array<std::string_view, kServerCount> kServers = {
    "ntp.nict.jp",          "ntp.jst.mfeed.ad.jp", "ntp1.jst.mfeed.ad.jp", "ntp2.jst.mfeed.ad.jp",
    "ntp3.jst.mfeed.ad.jp", "time.nist.gov",       "time-a-g.nist.gov",    "time-b-g.nist.gov",
    "time-c-g.nist.gov",    "time-a-wwv.nist.gov", "time-b-wwv.nist.gov"};

// Server `k`, 1-based.
std::string Server(size_t k);

// The host to try after `host`: server k + 1 after server k (letter case must match), empty
// after server 11, server 1 after anything else.
std::string NextServer(std::string_view host);

}  // namespace kestrum::app
