// TBlockSocket: waiting, throttling, and the single send and receive operations.
#include <algorithm>
#include <cmath>

#include "net/blocksock.h"
#include "platform/ticks.h"

namespace kestrum::net {
namespace {

constexpr int kMsgPeek = 2;
constexpr int kSockDgram = 2;
constexpr int kMicrosecondsPerMillisecond = 1000;
constexpr int kMillisecondsPerSecond = 1000;
// A flood must not keep Purge from returning.
constexpr int kMaxPurgedItems = 256;

}  // namespace

void TBlockSocket::ThrottleTransfer(int length, int32_t limit, uint32_t& next) {
  if (limit <= 0) return;
  platform::TTickPort& ticks = *ticks_;
  const uint32_t now = ticks.GetTickCount();
  if (now < next) {
    const uint32_t wait = next - now;
    if (wait != 0) {
      NotifyStatus(THookSocketReason::ReasonWaiting, std::to_string(wait));
      ticks.Sleep(wait);
    }
  }
  const double pause = std::trunc(static_cast<double>(length) / limit * kMillisecondsPerSecond);
  next = static_cast<uint32_t>(pause) + ticks.GetTickCount();
}

bool TBlockSocket::WaitFor(int timeout, bool for_reading) {
  const auto select_for = [&](int milliseconds) {
    TTimeVal time_value;
    time_value.tv_sec = milliseconds / kMillisecondsPerSecond;
    time_value.tv_usec = (milliseconds % kMillisecondsPerSecond) * kMicrosecondsPerMillisecond;
    // Any negative time-out waits without limit.
    const TTimeVal* limit = milliseconds < 0 ? nullptr : &time_value;
    TFdSet set = fd_set_;
    return SockSelect(static_cast<int>(handle_) + 1, for_reading ? &set : nullptr,
                      for_reading ? nullptr : &set, nullptr, limit);
  };
  int n = 0;
  if (!WaitHook) {
    n = select_for(timeout);
  } else if (timeout >= 0) {
    n = platform::WaitInSlices(static_cast<uint32_t>(timeout), WaitHook,
                               [&](uint32_t slice) { return select_for(static_cast<int>(slice)); });
  } else {
    while ((n = select_for(static_cast<int>(platform::kWaitSliceMs))) == 0) WaitHook();
  }
  CheckResult(n);
  const bool ready = last_error_ == 0 && n > 0;
  ReportLastError();
  if (ready) {
    NotifyStatus(
        for_reading ? THookSocketReason::ReasonReadable : THookSocketReason::ReasonWritable, "");
  }
  return ready;
}

bool TBlockSocket::WaitReadable(int timeout) { return WaitFor(timeout, true); }
bool TBlockSocket::WaitWritable(int timeout) { return WaitFor(timeout, false); }

bool TBlockSocket::WaitReadableBuffered(int timeout) {
  return !buffer_.empty() || WaitReadable(timeout);
}

int TBlockSocket::PendingBytes() {
  unsigned long count = 0;
  if (SockIoctl(handle_, kFionRead, count) != 0) return 0;
  return static_cast<int>(count);
}

void TBlockSocket::ReadInto(std::string& result, int count) {
  result.resize(static_cast<std::size_t>(count));
  const int got = ReadData(result.data(), count);
  // A failed read hands out nothing rather than a buffer of zeros.
  result.resize(got >= 0 ? static_cast<std::size_t>(got) : 0);
}

std::string TBlockSocket::ReadAvailable(int timeout) {
  std::string result;
  last_error_ = 0;
  if (!buffer_.empty()) {
    result.swap(buffer_);
  } else {
    ticks_->Sleep(0);
    const int pending = PendingBytes();
    if (pending > 0) {
      ReadInto(result, pending);
    } else if (WaitReadable(timeout)) {
      const int queued = PendingBytes();
      if (queued == 0 && SocketType() == kSockDgram) {
        // An empty datagram is a message, not a close: it is taken off and its sender noted.
        ReadInto(result, 1);
      } else if (queued == 0) {
        last_error_ = kErrConnReset;  // readable without data
      } else {
        ReadInto(result, queued);
      }
    } else if (last_error_ == 0) {
      last_error_ = kErrTimedOut;
    }
  }
  ReportLastError();
  return result;
}

void TBlockSocket::Purge() {
  const TSocketAddress remote = remote_sin_;
  buffer_.clear();
  for (int i = 0; handle_ != kInvalidSocket && i < kMaxPurgedItems; ++i) {
    if (!WaitReadable(0)) break;
    // At least one byte, so that an empty datagram (or a pending reset) is taken off too.
    std::string junk(static_cast<std::size_t>(std::max(PendingBytes(), 1)), '\0');
    ReadData(junk.data(), static_cast<int>(junk.size()));
  }
  buffer_.clear();
  discard_line_ = false;
  remote_sin_ = remote;
  last_error_ = 0;
  last_error_text_.clear();
}

int TBlockSocket::WriteDataTo(const void* buffer, int length) {
  if (TakeStopFlag()) return 0;
  ThrottleTransfer(length, MaxSendBandwidth, next_send_);
  const int n = SockSendTo(handle_, buffer, length, 0, remote_sin_);
  CheckResult(n);
  ReportLastError();
  NotifyStatus(THookSocketReason::ReasonBytesWritten, std::to_string(n));
  return n;
}

int TBlockSocket::ReadDataFrom(void* buffer, int length) {
  if (TakeStopFlag()) return 0;
  ThrottleTransfer(length, MaxRecvBandwidth, next_recv_);
  // The sender replaces the remote address.
  const int n = SockRecvFrom(handle_, buffer, length, 0, remote_sin_);
  CheckResult(n);
  ReportLastError();
  NotifyStatus(THookSocketReason::ReasonBytesRead, std::to_string(n));
  return n;
}

int TBlockSocket::WriteData(const void* buffer, int length) {
  if (TakeStopFlag()) return 0;
  std::string data(static_cast<const char*>(buffer), static_cast<std::size_t>(std::max(length, 0)));
  if (OnWriteFilter) {
    OnWriteFilter(this, data);
    if (data.size() > static_cast<std::size_t>(length)) data.resize(length);
  }
  const std::size_t chunk = SendMaxChunk > 0 ? static_cast<std::size_t>(SendMaxChunk) : data.size();
  std::size_t sent = 0;
  last_error_ = 0;
  while (sent < data.size()) {
    const int piece = static_cast<int>(std::min(chunk, data.size() - sent));
    ThrottleTransfer(piece, MaxSendBandwidth, next_send_);
    const int n = SockSend(handle_, data.data() + sent, piece, 0);
    if (CheckResult(n) != 0) break;
    NotifyStatus(THookSocketReason::ReasonBytesWritten, std::to_string(n));
    sent += static_cast<std::size_t>(n);
  }
  ReportLastError();
  return last_error_ == 0 ? static_cast<int>(sent) : kSocketError;
}

int TBlockSocket::ReadData(void* buffer, int length) {
  if (TakeStopFlag()) return 0;
  ThrottleTransfer(length, MaxRecvBandwidth, next_recv_);
  int n = SockRecv(handle_, buffer, length, 0);
  if (n == 0) {
    last_error_ = kErrConnReset;  // orderly close by the peer
  } else {
    CheckResult(n);
  }
  ReportLastError();
  NotifyStatus(THookSocketReason::ReasonBytesRead, std::to_string(n));
  if (n > 0 && OnReadFilter) {
    std::string data(static_cast<const char*>(buffer), static_cast<std::size_t>(n));
    OnReadFilter(this, data);
    // The rewrite is kept, also at the same length; a longer one is cut back to the buffer.
    const std::size_t kept = std::min(data.size(), static_cast<std::size_t>(n));
    std::copy_n(data.begin(), kept, static_cast<char*>(buffer));
    n = static_cast<int>(kept);
  }
  return n;
}

int TBlockSocket::PeekData(void* buffer, int length) {
  const int n = SockRecv(handle_, buffer, length, kMsgPeek);
  CheckResult(n);
  ReportLastError();
  return n;
}

uint8_t TBlockSocket::PeekFirstByte(int timeout) {
  uint8_t value = 0;
  if (WaitReadable(timeout))
    PeekData(&value, 1);
  else if (last_error_ == 0)
    last_error_ = kErrTimedOut;
  return value;
}

}  // namespace kestrum::net
