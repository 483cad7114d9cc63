#include "responders/replies.h"

namespace kestrum::fakes {
namespace {

using R = TTcpTimeResponder;

constexpr uint8_t kServerLiVnMode = 0x24;  // no leap warning, version 4, mode 4 (server)
constexpr uint8_t kStratum = 1;
constexpr std::size_t kOriginateAt = 24;
constexpr std::size_t kReceiveAt = 32;
constexpr std::size_t kTransmitAt = 40;
constexpr std::size_t kLongExtra = 20;  // key id + digest of an authenticated reply
constexpr std::size_t kSntpPiece = 12;  // datagram size of a trickled reply
constexpr std::size_t kLongHttpBody = 65536;
constexpr uint32_t kFloodStepMs = 5;  // a burst of this many datagrams every this many ms

const std::string kHttpOk =
    "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n"
    "Connection: close\r\n\r\nOK\n";

void PutWord(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

void PutTime(std::string& bytes, std::size_t at, TWireTime time) {
  PutWord(bytes, at, time.seconds);
  PutWord(bytes, at + 4, time.fraction);
}

// Fixed pseudo-random bytes, the same on every run.
std::string Garbage(std::size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 0x2545F491u;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// Each byte of `bytes` sent after a pause of `interval_ms`.
void AddTrickle(R::TScript& script, const std::string& bytes, uint32_t interval_ms) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) script.push_back(R::Delay(interval_ms));
    script.push_back(R::Send(bytes.substr(i, 1)));
  }
}

}  // namespace

std::string NtpServerReply(const std::string& request, TWireTime receive, TWireTime transmit) {
  std::string bytes(kNtpSize, '\0');
  bytes[0] = static_cast<char>(kServerLiVnMode);
  bytes[1] = static_cast<char>(kStratum);
  bytes[2] = 6;                       // poll 64 s
  bytes[3] = static_cast<char>(-20);  // precision about 1 us
  bytes.replace(12, 4, "LOCL");       // reference id
  PutTime(bytes, 16, receive);        // reference time
  if (request.size() >= kTransmitAt + 8) bytes.replace(kOriginateAt, 8, request, kTransmitAt, 8);
  PutTime(bytes, kReceiveAt, receive);
  PutTime(bytes, kTransmitAt, transmit);
  return bytes;
}

std::string TimeCount(uint32_t seconds) {
  std::string bytes(4, '\0');
  PutWord(bytes, 0, seconds);
  return bytes;
}

TUdpReply SntpAnswer(TFault fault, const TFaultTiming& timing, const TServerClock& clock,
                     const std::string& request) {
  const TWireTime now = clock.Now();
  const std::string reply = NtpServerReply(request, now, now);
  const int delay = static_cast<int>(timing.delay_ms);
  const int late = static_cast<int>(timing.late_ms);
  switch (fault) {
    case TFault::kSilence:
    case TFault::kHang:
      return {};
    case TFault::kDelay:
      return {{NtpServerReply(request, now, clock.Now(timing.delay_ms)), delay}};
    case TFault::kShort:
      return {{reply.substr(0, kNtpSize - 1)}};
    case TFault::kLong:
      return {{reply + Garbage(kLongExtra)}};
    case TFault::kGarbage:
      return {{Garbage(kNtpSize)}};
    case TFault::kZeroTime:
      return {{NtpServerReply(request, {}, {})}};
    case TFault::kDuplicate:
      return {{reply}, {reply}};
    case TFault::kLate:
      return {{NtpServerReply(request, now, clock.Now(timing.late_ms)), late}};
    case TFault::kOtherAddress:
      return {{reply, 0, false, true}};
    case TFault::kOtherPort:
      return {{reply, 0, true}};
    case TFault::kReset:
      return {{std::string()}};
    case TFault::kTrickle: {
      TUdpReply pieces;
      for (std::size_t at = 0; at < kNtpSize; at += kSntpPiece) {
        pieces.push_back(
            {reply.substr(at, kSntpPiece), at ? static_cast<int>(timing.trickle_ms) : 0});
      }
      return pieces;
    }
    case TFault::kFlood: {
      // Bursts every few ms rather than one per ms: sleeps that short are not kept everywhere.
      TUdpReply flood;
      for (uint32_t ms = 0; ms < timing.flood_ms; ms += kFloodStepMs) {
        for (uint32_t i = 0; i < kFloodStepMs; ++i) {
          flood.push_back({reply, ms > 0 && i == 0 ? static_cast<int>(kFloodStepMs) : 0, true});
        }
      }
      return flood;
    }
    case TFault::kKissOfDeath: {
      std::string kiss = reply;
      kiss[0] = static_cast<char>(0xE4);  // leap indicator 3 (unsynchronised), version 4, mode 4
      kiss[1] = 0;                        // stratum 0: kiss-o'-death
      kiss.replace(12, 4, "RATE");
      return {{kiss}};
    }
    case TFault::kNone:
    case TFault::kRedirect:
    case TFault::kContinue:
      break;
  }
  return {{reply}};
}

R::TScript TimeScript(TFault fault, const TFaultTiming& timing, const TServerClock& clock) {
  const std::string count = TimeCount(clock.Now().seconds);
  switch (fault) {
    case TFault::kSilence:
      return {R::Close()};
    case TFault::kDelay:
      return {R::Delay(timing.delay_ms), R::Send(TimeCount(clock.Now(timing.delay_ms).seconds)),
              R::Close()};
    case TFault::kShort:
      return {R::Send(count.substr(0, 3)), R::Close()};
    case TFault::kLong:
      return {R::Send(count + std::string(1, '\0')), R::Close()};
    case TFault::kGarbage:
      return {R::Send("no time here\r\n"), R::Close()};
    case TFault::kZeroTime:
      return {R::Send(TimeCount(0)), R::Close()};
    case TFault::kDuplicate:
      return {R::Send(count), R::Send(count), R::Close()};
    case TFault::kLate:
      return {R::Delay(timing.late_ms), R::Send(TimeCount(clock.Now(timing.late_ms).seconds)),
              R::Close()};
    case TFault::kReset:
      return {R::Reset()};
    case TFault::kHang:
      return {R::Hang()};
    case TFault::kTrickle: {
      R::TScript script;
      AddTrickle(script, count, timing.trickle_ms);
      script.push_back(R::Close());
      return script;
    }
    case TFault::kFlood:
      return {R::Repeat(count, 0)};
    case TFault::kNone:
    case TFault::kOtherAddress:
    case TFault::kOtherPort:
    case TFault::kKissOfDeath:
    case TFault::kRedirect:
    case TFault::kContinue:
      break;
  }
  return {R::Send(count), R::Close()};
}

R::TScript HttpScript(TFault fault, const TFaultTiming& timing) {
  R::TScript script{R::ReceiveHead()};
  switch (fault) {
    case TFault::kSilence:
      break;
    case TFault::kDelay:
      script.insert(script.end(), {R::Delay(timing.delay_ms), R::Send(kHttpOk)});
      break;
    case TFault::kShort:
      script.push_back(R::Send("HTTP/1.1 2"));
      break;
    case TFault::kLong:
      script.push_back(R::Send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                               std::to_string(kLongHttpBody) + "\r\nConnection: close\r\n\r\n" +
                               std::string(kLongHttpBody, 'x')));
      break;
    case TFault::kGarbage:
      script.push_back(R::Send(Garbage(64)));
      break;
    case TFault::kDuplicate:
      script.insert(script.end(), {R::Send(kHttpOk), R::Send(kHttpOk)});
      break;
    case TFault::kLate:
      script.insert(script.end(), {R::Delay(timing.late_ms), R::Send(kHttpOk)});
      break;
    case TFault::kReset:
      script.push_back(R::Reset());
      return script;
    case TFault::kHang:
      script.push_back(R::Hang());
      break;
    case TFault::kTrickle:
      AddTrickle(script, kHttpOk, timing.trickle_ms);
      break;
    case TFault::kFlood:
      // A body without a length, sent until the client goes away.
      script.insert(script.end(), {R::Send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"),
                                   R::Repeat(std::string(1024, 'x'), 1)});
      break;
    case TFault::kRedirect:
      script.push_back(R::Send(
          "HTTP/1.1 302 Found\r\nLocation: /\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
      break;
    case TFault::kContinue:
      script.push_back(R::Repeat("HTTP/1.1 100 Continue\r\n\r\n", 20));
      break;
    case TFault::kNone:
    case TFault::kZeroTime:
    case TFault::kOtherAddress:
    case TFault::kOtherPort:
    case TFault::kKissOfDeath:
      script.push_back(R::Send(kHttpOk));
      break;
  }
  script.push_back(R::Close());
  return script;
}

}  // namespace kestrum::fakes
