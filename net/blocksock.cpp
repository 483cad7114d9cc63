// TBlockSocket: construction, names and addresses, handle creation, bind, connect, errors.
#include <cstdlib>

#include "net/blocksock.h"
#include "net/netutil.h"

namespace kestrum::net {
namespace {

constexpr int kSockRaw = 3;
constexpr uint32_t kBroadcast = 0xFFFFFFFF;

std::string HostPort(const std::string& host, const std::string& port) { return host + ":" + port; }

// The text as a decimal number; 0 when it is not one.
int DecimalOrZero(const std::string& text) {
  if (text.empty() || text.size() > 9) return 0;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

TBlockSocket::TBlockSocket(platform::TTickPort& ticks) : ticks_(&ticks) { FdZero(fd_set_); }

TBlockSocket::~TBlockSocket() {
  TBlockSocket::Close();
  delayed_options_.clear();
}

void TBlockSocket::SetMaxBandwidth(int32_t bytes_per_second) {
  MaxSendBandwidth = bytes_per_second;
  MaxRecvBandwidth = bytes_per_second;
}

void TBlockSocket::SetFamily(TSocketFamily family) {
  family_ = family;
  family_save_ = family;
}

void TBlockSocket::AdoptHandle(TSocketHandle handle) {
  handle_ = handle;
  FdZero(fd_set_);
  FdAdd(handle_, fd_set_);
  ReadAddresses();
  ip6_used_ = AddressFamily(remote_sin_) == kAfInet6;
}

void TBlockSocket::Close() { Abort(); }

void TBlockSocket::Abort() {
  if (handle_ != kInvalidSocket) SockCloseSocket(handle_);
  handle_ = kInvalidSocket;
  delayed_options_.clear();
  family_ = family_save_;
  last_error_ = 0;
  NotifyStatus(THookSocketReason::ReasonSocketClosed, "");
}

int TBlockSocket::SocketType() const { return 0; }
int TBlockSocket::SocketProtocol() const { return 0; }

bool TBlockSocket::UsesExtendedResolver() const {
  return ExtendedResolverAvailable || (family_ == TSocketFamily::SF_IP6 && IPv6ResolverAvailable);
}

int TBlockSocket::ChooseFamily(const std::string& host, int& second_family) const {
  second_family = kAfAny;
  if (handle_ != kInvalidSocket) return ip6_used_ ? kAfInet6 : kAfInet;
  if (family_ == TSocketFamily::SF_IP4) return kAfInet;
  if (family_ == TSocketFamily::SF_IP6) return kAfInet6;
  if (IsIP(host)) return kAfInet;
  if (IsIP6(host)) return kAfInet6;
  second_family = PreferIP4 ? kAfInet6 : kAfInet;
  return PreferIP4 ? kAfInet : kAfInet6;
}

int TBlockSocket::ResolvePass(TSocketAddress& address, int family, const std::string& host,
                              const std::string& port) {
  address = TSocketAddress{};
  TAddrHints hints{0, family, SocketType(), SocketProtocol()};
  const char* node = host.c_str();
  const char* service = port.c_str();
  if (hints.socktype == kSockRaw) {
    hints.socktype = 0;
    hints.protocol = 0;
    service = nullptr;
  } else if (host == "0.0.0.0" || host == "::0") {
    hints.flags = kAiPassive;
    node = nullptr;
  } else if (host == "127.0.0.1" || host == "::1") {
    node = nullptr;  // the resolver yields the loopback address of the family
  }
  std::vector<TSocketAddress> results;
  int code = 0;
  // The resolver's wait cannot be cut into slices: it runs beside a thread that keeps checking.
  platform::RunChecking([&] { code = SockGetAddrInfo(node, service, hints, results); }, WaitHook);
  if (code == 0 && !results.empty()) address = results.front();
  return code;
}

void TBlockSocket::ResolveClassic(TSocketAddress& address, const std::string& host,
                                  const std::string& port) {
  std::lock_guard guard(SocketLayerLock());
  std::string protocol;
  uint16_t port_net = 0;
  if (!(SockGetProtoName(SocketProtocol(), protocol) &&
        SockGetServPort(port, protocol, port_net))) {
    port_net = SockHtons(static_cast<uint16_t>(DecimalOrZero(port)));
  }
  uint32_t address_net = kBroadcast;
  if (host != "255.255.255.255") {
    address_net = SockInetAddr(host);
    if (address_net == kInaddrNone) {
      bool found = false;
      int32_t error = 0;
      // The error code belongs to the thread that made the call.
      platform::RunChecking(
          [&] {
            found = SockGetHostByName(host, address_net);
            if (!found) error = SockLastError();
          },
          WaitHook);
      if (!found) {
        last_error_ = error;
        return;
      }
    }
  }
  address = MakeIPv4Address(address_net, port_net);
}

void TBlockSocket::ResolveAddress(TSocketAddress& address, const std::string& host,
                                  const std::string& port) {
  NotifyStatus(THookSocketReason::ReasonResolveBegin, HostPort(host, port));
  last_error_ = 0;
  address = TSocketAddress{};
  if (UsesExtendedResolver()) {
    int second_family = kAfAny;
    const int first_family = ChooseFamily(host, second_family);
    last_error_ = ResolvePass(address, first_family, host, port);
    // A resolver that did not answer for one family will not answer for the other either: a
    // second pass would only double the wait.
    if (last_error_ != 0 && last_error_ != kErrTryAgain && second_family != kAfAny) {
      last_error_ = ResolvePass(address, second_family, host, port);
    }
  } else {
    ResolveClassic(address, host, port);
  }
  resolve_error_ = last_error_;
  NotifyStatus(THookSocketReason::ReasonResolveEnd, HostPort(host, port));
}

void TBlockSocket::SetRemoteAddress(const std::string& host, const std::string& port) {
  ResolveAddress(remote_sin_, host, port);
}

void TBlockSocket::CreateHandle(const TSocketAddress& address) {
  StopFlag = false;
  last_error_ = 0;
  if (handle_ != kInvalidSocket) return;
  buffer_.clear();
  discard_line_ = false;
  bound_ = false;
  ip6_used_ = AddressFamily(address) == kAfInet6;
  handle_ = SockSocket(AddressFamily(address), SocketType(), SocketProtocol());
  if (handle_ == kInvalidSocket) last_error_ = SockLastError();
  FdZero(fd_set_);
  FdAdd(handle_, fd_set_);
  ReportLastError();
  NotifyStatus(THookSocketReason::ReasonSocketCreated, ip6_used_ ? "IPv6" : "IPv4");
  for (const auto& option : delayed_options_) option(*this);
  if (OnCreateSocket) OnCreateSocket(this);
}

void TBlockSocket::Bind(const std::string& host, const std::string& port) {
  last_error_ = 0;
  // Nothing to bind: the system binds on the first send.
  if (handle_ == kInvalidSocket && family_ == TSocketFamily::SF_Any && host == "0.0.0.0" &&
      port == "0") {
    return;
  }
  TSocketAddress local;
  ResolveAddress(local, host, port);
  if (last_error_ == 0) {
    if (handle_ == kInvalidSocket) CreateHandle(local);
    CheckResult(SockBind(handle_, local));
    SockGetSockName(handle_, local_sin_);
    buffer_.clear();
    discard_line_ = false;
    discard_line_ = false;
    bound_ = true;
  }
  ReportLastError();
  NotifyStatus(THookSocketReason::ReasonBound, HostPort(host, port));
}

void TBlockSocket::Connect(const std::string& host, const std::string& port) {
  ResolveAddress(remote_sin_, host, port);
  if (last_error_ == 0) {
    CreateHandle(remote_sin_);
    if (CheckResult(SockConnect(handle_, remote_sin_)) == 0) ReadAddresses();
    buffer_.clear();
    discard_line_ = false;
    discard_line_ = false;
    last_cr_ = false;
    last_lf_ = false;
  }
  ReportLastError();
  NotifyStatus(THookSocketReason::ReasonConnected, HostPort(host, port));
}

void TBlockSocket::ReadAddresses() {
  SockGetSockName(handle_, local_sin_);
  SockGetPeerName(handle_, remote_sin_);
}

std::string TBlockSocket::AddressText(const TSocketAddress& address) {
  if (UsesExtendedResolver()) {
    std::string host, service;
    SockGetNameInfo(address, host, service);
    return host;
  }
  return SockInetNtoa(AddressIPv4(address));
}

std::string TBlockSocket::LocalAddressText() {
  if (handle_ != kInvalidSocket) SockGetSockName(handle_, local_sin_);
  return AddressText(local_sin_);
}

std::string TBlockSocket::RemoteAddressText() { return AddressText(remote_sin_); }

int TBlockSocket::LocalPortNumber() {
  if (handle_ != kInvalidSocket) SockGetSockName(handle_, local_sin_);
  return AddressPort(local_sin_);
}

int TBlockSocket::RemotePortNumber() { return AddressPort(remote_sin_); }

std::string TBlockSocket::LocalHostName() {
  const std::string name = SockGetHostName();
  return name.empty() ? "127.0.0.1" : name;
}

std::vector<std::string> TBlockSocket::ResolveNameToIP(const std::string& host) {
  std::vector<std::string> texts;
  if (UsesExtendedResolver()) {
    std::vector<TSocketAddress> results;
    TAddrHints hints{0, kAfAny, SocketType(), SocketProtocol()};
    if (SockGetAddrInfo(host.c_str(), nullptr, hints, results) == 0) {
      for (const TSocketAddress& address : results) texts.push_back(AddressText(address));
    }
  } else {
    std::lock_guard guard(SocketLayerLock());
    uint32_t address_net = SockInetAddr(host);
    if (address_net != kInaddrNone || SockGetHostByName(host, address_net)) {
      texts.push_back(SockInetNtoa(address_net));
    }
  }
  if (texts.empty()) texts.push_back("0.0.0.0");
  return texts;
}

int TBlockSocket::ResolvePort(const std::string& port) {
  TSocketAddress address;
  const int32_t saved_error = last_error_;
  ResolveAddress(address, "0.0.0.0", port);
  const int result = last_error_ == 0 ? AddressPort(address) : 0;
  last_error_ = saved_error;
  return result;
}

void TBlockSocket::SetLastError(int32_t code) {
  last_error_ = code;
  ReportLastError();
}

int32_t TBlockSocket::CheckResult(int result) {
  last_error_text_.clear();
  int32_t code = 0;
  if (result == kSocketError) {
    code = SockLastError();
    last_error_text_ = net::GetErrorDesc(code);
  }
  last_error_ = code;
  return code;
}

void TBlockSocket::ReportLastError() {
  last_error_text_ = net::GetErrorDesc(last_error_);
  if (last_error_ == 0 || last_error_ == kErrWouldBlock || last_error_ == kErrInProgress) return;
  NotifyStatus(THookSocketReason::ReasonError,
               std::to_string(last_error_) + "," + last_error_text_);
  if (RaiseExcept) throw MakeSocketError(last_error_, last_error_text_);
}

void TBlockSocket::NotifyStatus(THookSocketReason reason, const std::string& value) {
  if (OnStatus) OnStatus(this, reason, value);
}

bool TBlockSocket::TakeStopFlag() {
  if (!StopFlag) return false;
  StopFlag = false;
  last_error_ = kErrConnAborted;
  ReportLastError();
  return true;
}

}  // namespace kestrum::net
