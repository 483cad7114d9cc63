#pragma once
// Socket error codes (Winsock numbering on every platform), their English texts, and the
// exception the socket layer raises when asked to.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrum::net {

// The codes the program names, in Winsock's numbering (the one home of these numbers).
constexpr int kErrInvalidArgument = 10022;
constexpr int kErrWouldBlock = 10035;
constexpr int kErrInProgress = 10036;
constexpr int kErrNotSocket = 10038;
constexpr int kErrMessageSize = 10040;
constexpr int kErrSocketTypeNotSupported = 10044;
constexpr int kErrOperationNotSupported = 10045;
constexpr int kErrFamilyNotSupported = 10047;
constexpr int kErrConnAborted = 10053;  // stop request
constexpr int kErrConnReset = 10054;    // readable without data, or closed by the peer
constexpr int kErrNoBufferSpace = 10055;
constexpr int kErrNotConnected = 10057;
constexpr int kErrTimedOut = 10060;
constexpr int kErrConnRefused = 10061;
constexpr int kErrSystemNotReady = 10091;
constexpr int kErrVersionNotSupported = 10092;
constexpr int kErrNotInitialised = 10093;
constexpr int kErrClassTypeNotFound = 10109;
constexpr int kErrHostNotFound = 11001;
constexpr int kErrTryAgain = 11002;    // temporary resolver failure (no answer from the server)
constexpr int kErrNoRecovery = 11003;  // SOCKS failure
constexpr int kErrNoData = 11004;      // valid name, no record of the asked type

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
