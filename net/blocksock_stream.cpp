// TBlockSocket: the stream-shaped operations (counted values, lines, exact lengths, streams).
#include <algorithm>
#include <istream>
#include <ostream>

#include "net/blocksock.h"
#include "platform/clock.h"

namespace kestrum::net {
namespace {

constexpr int kInt32Size = 4;

std::string LittleEndian(uint32_t value) {
  std::string bytes(kInt32Size, '\0');
  for (int i = 0; i < kInt32Size; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

std::string BigEndian(uint32_t value) {
  std::string bytes = LittleEndian(value);
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

uint32_t FromLittleEndian(const std::string& bytes) {
  uint32_t value = 0;
  for (int i = std::min<int>(kInt32Size, static_cast<int>(bytes.size())) - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(bytes[i]);
  }
  return value;
}

// Bytes from the stream's position to its end; the position is restored.
std::streamoff RemainingSize(std::istream& stream) {
  const std::streampos start = stream.tellg();
  stream.seekg(0, std::ios::end);
  const std::streamoff size = stream.tellg() - start;
  stream.seekg(start);
  return std::max<std::streamoff>(size, 0);
}

}  // namespace

void TBlockSocket::WriteByte(uint8_t value) { WriteData(&value, 1); }

void TBlockSocket::WriteText(const std::string& text) {
  WriteData(text.data(), static_cast<int>(text.size()));
}

void TBlockSocket::WriteInt32(int32_t value) {
  WriteText(LittleEndian(static_cast<uint32_t>(value)));
}

void TBlockSocket::WriteCountedText(const std::string& text) {
  WriteInt32(static_cast<int32_t>(text.size()));
  WriteText(text);
}

void TBlockSocket::WriteStream(std::istream& stream) {
  const std::size_t chunk = SendMaxChunk > 0 ? static_cast<std::size_t>(SendMaxChunk) : 65535;
  std::string piece(chunk, '\0');
  while (stream) {
    stream.read(piece.data(), static_cast<std::streamsize>(chunk));
    const std::streamsize got = stream.gcount();
    if (got <= 0) break;
    if (WriteData(piece.data(), static_cast<int>(got)) < 0) break;
  }
}

void TBlockSocket::WriteStreamCounted(std::istream& stream) {
  WriteInt32(static_cast<int32_t>(RemainingSize(stream)));
  WriteStream(stream);
}

void TBlockSocket::WriteStreamCountedBE(std::istream& stream) {
  WriteText(BigEndian(static_cast<uint32_t>(RemainingSize(stream))));
  WriteStream(stream);
}

bool TBlockSocket::FillLineBuffer(int timeout) {
  if (!WaitReadable(timeout)) {
    if (last_error_ == 0) last_error_ = kErrTimedOut;
    ReportLastError();
    return false;
  }
  std::string data;
  ReadInto(data, std::max(PendingBytes(), 1));
  if (last_error_ != 0) return false;
  buffer_ += data;
  return true;
}

int TBlockSocket::ReadExact(void* buffer, int length, int timeout) {
  last_error_ = 0;
  const uint32_t start = clock_->GetTickCount();
  while (static_cast<int>(buffer_.size()) < length) {
    int wait = timeout;
    if (!InterPacketTimeout && timeout >= 0) {
      wait = std::max<int>(0, timeout - static_cast<int>(clock_->GetTickCount() - start));
    }
    if (!FillLineBuffer(wait)) break;
  }
  const int got = std::min<int>(length, static_cast<int>(buffer_.size()));
  std::copy_n(buffer_.begin(), got, static_cast<char*>(buffer));
  buffer_.erase(0, static_cast<std::size_t>(got));
  return got;
}

std::string TBlockSocket::ReadExactText(int length, int timeout) {
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  text.resize(static_cast<std::size_t>(std::max(ReadExact(text.data(), length, timeout), 0)));
  return text;
}

uint8_t TBlockSocket::ReadByte(int timeout) {
  const std::string byte = ReadExactText(1, timeout);
  return byte.empty() ? 0 : static_cast<uint8_t>(byte[0]);
}

int32_t TBlockSocket::ReadInt32(int timeout) {
  return static_cast<int32_t>(FromLittleEndian(ReadExactText(kInt32Size, timeout)));
}

// A line that has outgrown MaxLineLength without its terminator is an error (10040).
bool TBlockSocket::LineTooLong() {
  if (MaxLineLength <= 0 || static_cast<int>(buffer_.size()) <= MaxLineLength) return false;
  last_error_ = kErrMessageSize;
  ReportLastError();
  return true;
}

std::string TBlockSocket::ReadUntil(const std::string& terminator, int timeout) {
  last_error_ = 0;
  for (;;) {
    const std::size_t found = terminator.empty() ? std::string::npos : buffer_.find(terminator);
    if (found != std::string::npos) {
      std::string line = buffer_.substr(0, found);
      buffer_.erase(0, found + terminator.size());
      return line;
    }
    if (LineTooLong() || !FillLineBuffer(timeout)) return {};
  }
}

std::string TBlockSocket::ReadLine(int timeout) {
  if (!ConvertLineEnd) return ReadUntil("\r\n", timeout);
  last_error_ = 0;
  for (;;) {
    // The LF of a CR LF split across two receives.
    if (last_cr_ && !buffer_.empty() && buffer_[0] == '\n') buffer_.erase(0, 1);
    if (!buffer_.empty()) last_cr_ = false;
    const std::size_t end = buffer_.find_first_of("\r\n");
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      const bool cr = buffer_[end] == '\r';
      std::size_t skip = 1;
      if (cr && end + 1 < buffer_.size() && buffer_[end + 1] == '\n') skip = 2;
      last_cr_ = cr && skip == 1 && end + 1 == buffer_.size();
      last_lf_ = !cr || skip == 2;
      buffer_.erase(0, end + skip);
      return line;
    }
    if (LineTooLong() || !FillLineBuffer(timeout)) return {};
  }
}

std::string TBlockSocket::ReadCountedText(int timeout) {
  const int32_t length = ReadInt32(timeout);
  if (last_error_ != 0) return {};
  return ReadExactText(length, timeout);
}

void TBlockSocket::ReadStream(std::ostream& stream, int timeout) {
  for (;;) {
    const std::string data = ReadAvailable(timeout);
    if (last_error_ != 0) return;
    stream.write(data.data(), static_cast<std::streamsize>(data.size()));
  }
}

void TBlockSocket::ReadStreamCounted(std::ostream& stream, int timeout) {
  const int32_t size = ReadInt32(timeout);
  if (last_error_ != 0) return;
  const std::string data = ReadExactText(size, timeout);
  stream.write(data.data(), static_cast<std::streamsize>(data.size()));
}

void TBlockSocket::ReadStreamCountedBE(std::ostream& stream, int timeout) {
  std::string size_bytes = ReadExactText(kInt32Size, timeout);
  if (last_error_ != 0) return;
  std::reverse(size_bytes.begin(), size_bytes.end());
  const std::string data =
      ReadExactText(static_cast<int32_t>(FromLittleEndian(size_bytes)), timeout);
  stream.write(data.data(), static_cast<std::streamsize>(data.size()));
}

}  // namespace kestrum::net
