#pragma once
// In-memory byte stream with a read position: the reply collected by T_TcpIp::Action.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kestrum::tcpip {

class TByteStream {
 public:
  std::size_t Size() const { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  void Clear() {
    bytes_.clear();
    Position = 0;
  }
  void Append(const uint8_t* data, std::size_t count) {
    bytes_.insert(bytes_.end(), data, data + count);
  }
  // Copies up to `count` bytes from Position on and advances it; returns the bytes copied.
  std::size_t Read(void* buffer, std::size_t count) {
    const std::size_t taken = std::min(count, bytes_.size() - std::min(Position, bytes_.size()));
    if (taken > 0) std::memcpy(buffer, bytes_.data() + Position, taken);
    Position += taken;
    return taken;
  }

  std::size_t Position = 0;

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace kestrum::tcpip
