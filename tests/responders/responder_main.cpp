// kestrum-responder: the loopback responder set as a program, for benchmarks and end-to-end runs.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "net/sockapi.h"
#include "responders/responder_set.h"
#include "tcpip/wsock.h"

namespace {

using kestrum::fakes::TFault;

constexpr double kDefaultDurationSeconds = 600;

const char kHelp[] =
    R"(Usage: kestrum-responder [options]
Serves SNTP on UDP, the Time protocol (RFC 868) on TCP and a minimal HTTP 200 on TCP at
loopback ports, with a chosen fault mode and clock. Prints one line
  sntp=PORT time=PORT http=PORT
(0 for a service that is off) once every port is bound, then serves until SIGINT/SIGTERM or
--duration runs out. Exit status 0 after a normal stop, 2 for a bad option, 1 when a port cannot
be bound.

Options (a value may also follow "="):
  --address A        loopback IPv4 address to serve on (default 127.0.0.1)
  --other-address A  source of "other-address" replies (default 127.0.0.2; "" for none)
  --sntp-port N      UDP port for SNTP (default 0: chosen by the system; "off": not served)
  --time-port N      TCP port for the Time protocol (default 0; "off")
  --http-port N      TCP port for HTTP (default 0; "off")
  --fault MODE       fault mode of all three services (default none)
  --sntp-fault MODE, --time-fault MODE, --http-fault MODE   fault mode of one service
  --delay-ms N       pause of "delay" (default 300)
  --late-ms N        pause of "late" (default 5500, past the client's 5000 ms wait)
  --trickle-ms N     pause between the pieces of "trickle" (default 400)
  --shift S          clock shift in seconds, e.g. 3.25 or -0.994 (default 0)
  --fixed T          a fixed clock instead, UTC: YYYY-MM-DDThh:mm:ss[.fff], e.g. 1999-12-31T23:59:50
  --duration S       stop after S seconds (default 600; 0: until a signal)
  --ready-file PATH  also write the port line to PATH once ready
  --list-faults      print the fault modes and exit
  --help             this text

Fault modes (UDP = SNTP; TCP = Time and HTTP):
  none           a correct reply at once
  silence        UDP: no reply; TCP: close without a byte
  delay          a correct reply after --delay-ms
  short          UDP: 47 bytes; Time: 3 bytes; HTTP: "HTTP/1.1 2" then close
  long           UDP: 68 bytes; Time: 5 bytes; HTTP: a 64 KiB body
  garbage        UDP: 48 pseudo-random bytes; Time: a line of text; HTTP: 64 random bytes
  zero           UDP: every timestamp zero; Time: a count of 0; HTTP: as none
  duplicate      the reply sent twice
  late           a correct reply after --late-ms
  other-address  UDP: the reply from the same port of --other-address; TCP: as none
  other-port     UDP: the reply from another port; TCP: as none
  reset          UDP: an empty datagram (a reset to the client); TCP: reset (RST), no byte
  hang           UDP: no reply; TCP: accept, then neither send nor close
  trickle        the reply in pieces (UDP: 12-byte datagrams; TCP: single bytes), one every
                 --trickle-ms
)";

std::atomic<bool> g_stop{false};

extern "C" void OnSignal(int) { g_stop = true; }

struct TArgs {
  kestrum::fakes::TResponderSetOptions set;
  double duration = kDefaultDurationSeconds;
  std::string ready_file;
};

[[noreturn]] void Usage(const std::string& problem) {
  std::cerr << "kestrum-responder: " << problem << "\n(see --help)\n";
  std::exit(2);
}

TFault FaultArg(const std::string& text) {
  const std::optional<TFault> fault = kestrum::fakes::ParseFault(text);
  if (!fault) Usage("unknown fault mode: " + text);
  return *fault;
}

double NumberArg(const std::string& name, const std::string& text) {
  try {
    std::size_t used = 0;
    const double value = std::stod(text, &used);
    if (used == text.size()) return value;
  } catch (const std::exception&) {
  }
  Usage(name + " needs a number, not \"" + text + "\"");
}

uint32_t MillisecondsArg(const std::string& name, const std::string& text) {
  const double value = NumberArg(name, text);
  if (value < 0 || value > 3600000) Usage(name + " out of range: " + text);
  return static_cast<uint32_t>(value);
}

int PortArg(const std::string& name, const std::string& text) {
  if (text == "off") return kestrum::fakes::kServiceOff;
  const double value = NumberArg(name, text);
  if (value < 0 || value > 65535 || value != static_cast<int>(value)) {
    Usage(name + " is not a port: " + text);
  }
  return static_cast<int>(value);
}

TArgs ParseArgs(int argc, char** argv) {
  TArgs args;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::optional<std::string> value;
    if (const std::size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (name == "--help" || name == "-h") {
      std::cout << kHelp;
      std::exit(0);
    }
    if (name == "--list-faults") {
      for (const TFault fault : kestrum::fakes::AllFaults()) {
        std::cout << kestrum::fakes::FaultName(fault) << '\n';
      }
      std::exit(0);
    }
    static const char* const kValued[] = {
        "--address",    "--other-address", "--sntp-port",  "--time-port",
        "--http-port",  "--fault",         "--sntp-fault", "--time-fault",
        "--http-fault", "--delay-ms",      "--late-ms",    "--trickle-ms",
        "--shift",      "--fixed",         "--duration",   "--ready-file"};
    if (std::find(std::begin(kValued), std::end(kValued), name) == std::end(kValued)) {
      Usage("unknown option: " + name);
    }
    if (!value) {
      if (i + 1 >= argc) Usage(name + " needs a value");
      value = argv[++i];
    }
    auto& set = args.set;
    if (name == "--address") {
      set.address = *value;
    } else if (name == "--other-address") {
      set.other_address = *value;
    } else if (name == "--sntp-port") {
      set.sntp_port = PortArg(name, *value);
    } else if (name == "--time-port") {
      set.time_port = PortArg(name, *value);
    } else if (name == "--http-port") {
      set.http_port = PortArg(name, *value);
    } else if (name == "--fault") {
      set.sntp_fault = set.time_fault = set.http_fault = FaultArg(*value);
    } else if (name == "--sntp-fault") {
      set.sntp_fault = FaultArg(*value);
    } else if (name == "--time-fault") {
      set.time_fault = FaultArg(*value);
    } else if (name == "--http-fault") {
      set.http_fault = FaultArg(*value);
    } else if (name == "--delay-ms") {
      set.timing.delay_ms = MillisecondsArg(name, *value);
    } else if (name == "--late-ms") {
      set.timing.late_ms = MillisecondsArg(name, *value);
    } else if (name == "--trickle-ms") {
      set.timing.trickle_ms = MillisecondsArg(name, *value);
    } else if (name == "--shift") {
      set.clock = kestrum::fakes::TServerClock::Shifted(NumberArg(name, *value));
    } else if (name == "--fixed") {
      const auto fixed = kestrum::fakes::TServerClock::Fixed(*value);
      if (!fixed) Usage("--fixed needs YYYY-MM-DDThh:mm:ss[.fff], not \"" + *value + "\"");
      set.clock = *fixed;
    } else if (name == "--duration") {
      args.duration = NumberArg(name, *value);
      if (args.duration < 0) Usage("--duration must not be negative");
    } else if (name == "--ready-file") {
      args.ready_file = *value;
    } else {
      Usage("unknown option: " + name);
    }
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  const TArgs args = ParseArgs(argc, argv);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  kestrum::net::InitSocketInterface();
  kestrum::tcpip::wsock::Startup(kestrum::tcpip::wsock::kVersion11);
  int status = 0;
  try {
    kestrum::fakes::TResponderSet set(args.set);
    const std::string ports = "sntp=" + std::to_string(set.SntpPort()) +
                              " time=" + std::to_string(set.TimePort()) +
                              " http=" + std::to_string(set.HttpPort());
    std::cout << ports << std::endl;
    if (!args.ready_file.empty()) std::ofstream(args.ready_file) << ports << '\n';
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(args.duration);
    while (!g_stop && (args.duration == 0 || std::chrono::steady_clock::now() < end)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  } catch (const std::exception& error) {
    std::cerr << "kestrum-responder: " << error.what() << '\n';
    status = 1;
  }
  kestrum::tcpip::wsock::Cleanup();
  kestrum::net::DoneSocketInterface();
  return status;
}
