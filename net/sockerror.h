#pragma once
// Socket error codes (Winsock numbering on every platform), their English texts, and the
// exception the socket layer raises when asked to.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrum::net {

constexpr int kErrWouldBlock = 10035;
constexpr int kErrInProgress = 10036;
constexpr int kErrMessageSize = 10040;
constexpr int kErrConnAborted = 10053;  // stop request
constexpr int kErrConnReset = 10054;    // readable without data, or closed by the peer
constexpr int kErrTimedOut = 10060;
constexpr int kErrHostNotFound = 11001;
constexpr int kErrTryAgain = 11002;    // temporary resolver failure (no answer from the server)
constexpr int kErrNoRecovery = 11003;  // SOCKS failure

// "" for 0, the table's text, or "Other Winsock error (<code>)".
std::string GetErrorDesc(int32_t code);

class EBlockSocketError : public std::runtime_error {
 public:
  EBlockSocketError(const std::string& message, int32_t code, std::string text)
      : std::runtime_error(message), ErrorCode(code), ErrorMessage(std::move(text)) {}

  int32_t ErrorCode;
  std::string ErrorMessage;
};

// "TCP/IP Socket error %d: %s" filled with the code and its text.
EBlockSocketError MakeSocketError(int32_t code, const std::string& text);

}  // namespace kestrum::net
