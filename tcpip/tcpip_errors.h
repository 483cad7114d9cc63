#pragma once
// Exceptions raised while a TCP client component connects.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrum::tcpip {

// The host name could not be turned into an address (or the query could not finish).
class ETcpIpError : public std::runtime_error {
 public:
  explicit ETcpIpError(const std::string& message) : std::runtime_error(message) {}
};

// No connected socket could be made; ErrorCode is the platform's socket error (10061 refused).
class ESocketError : public ETcpIpError {
 public:
  explicit ESocketError(uint16_t error_code)
      : ETcpIpError("Error creating socket"), ErrorCode(error_code) {}
  uint16_t ErrorCode;
};

}  // namespace kestrum::tcpip
