// TBlockSocket: the stream-shaped operations (counted values, lines, exact lengths, streams).
#include <algorithm>
#include <istream>
#include <ostream>
#include <streambuf>

#include "net/blocksock.h"
#include "platform/ticks.h"

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

// The streams are driven through their buffers alone, and the buffers' public members are
// inlined here: the streams' own members (read, write, seek, even setting their state) and the
// buffers' out-of-line copies bring in the standard library's whole locale machinery, several
// hundred kilobytes of the product, for nothing these byte copies need. A stream that has
// already failed is left alone.

[[gnu::flatten]] std::streampos Seek(std::streambuf& buffer, std::ios::seekdir where) {
  return buffer.pubseekoff(0, where, std::ios::in);
}

[[gnu::flatten]] void SeekTo(std::streambuf& buffer, std::streampos position) {
  buffer.pubseekpos(position, std::ios::in);
}

[[gnu::flatten]] std::streamsize Get(std::streambuf& buffer, char* piece, std::streamsize size) {
  return buffer.sgetn(piece, size);
}

[[gnu::flatten]] void Put(std::streambuf& buffer, const char* data, std::streamsize size) {
  buffer.sputn(data, size);
}

// Bytes from the stream's position to its end (0 when it cannot seek); the position is restored.
std::streamoff RemainingSize(std::istream& stream) {
  if (!stream.good()) return 0;
  std::streambuf& buffer = *stream.rdbuf();
  const std::streampos start = Seek(buffer, std::ios::cur);
  if (start == std::streampos(-1)) return 0;
  const std::streampos end = Seek(buffer, std::ios::end);
  SeekTo(buffer, start);
  if (end == std::streampos(-1)) return 0;
  return std::max<std::streamoff>(end - start, 0);
}

void WritePiece(std::ostream& stream, const std::string& data) {
  if (stream.good()) Put(*stream.rdbuf(), data.data(), static_cast<std::streamsize>(data.size()));
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
  if (!stream.good()) return;
  const std::size_t chunk = SendMaxChunk > 0 ? static_cast<std::size_t>(SendMaxChunk) : 65535;
  std::string piece(chunk, '\0');
  std::streambuf& source = *stream.rdbuf();
  for (;;) {
    const std::streamsize got = Get(source, piece.data(), static_cast<std::streamsize>(chunk));
    if (got <= 0) break;
    if (WriteData(piece.data(), static_cast<int>(got)) < 0) break;
    if (got < static_cast<std::streamsize>(chunk)) break;  // the end of the stream
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

bool TBlockSocket::FillTo(std::size_t length, int timeout) {
  const uint32_t start = ticks_->GetTickCount();
  while (buffer_.size() < length) {
    int wait = timeout;
    if (!InterPacketTimeout && timeout >= 0) {
      const auto elapsed = static_cast<int>(ticks_->GetTickCount() - start);
      wait = std::max<int>(0, timeout - elapsed);
    }
    if (!FillLineBuffer(wait)) return false;
  }
  return true;
}

int TBlockSocket::ReadExact(void* buffer, int length, int timeout) {
  last_error_ = 0;
  if (length <= 0) return 0;
  FillTo(static_cast<std::size_t>(length), timeout);
  const int got = std::min<int>(length, static_cast<int>(buffer_.size()));
  std::copy_n(buffer_.begin(), got, static_cast<char*>(buffer));
  buffer_.erase(0, static_cast<std::size_t>(got));
  return got;
}

std::string TBlockSocket::ReadExactText(int length, int timeout) {
  last_error_ = 0;
  if (length <= 0) return {};
  // Filled as data arrives: nothing is allocated for bytes that were only announced.
  FillTo(static_cast<std::size_t>(length), timeout);
  const std::size_t got = std::min(static_cast<std::size_t>(length), buffer_.size());
  std::string text = buffer_.substr(0, got);
  buffer_.erase(0, got);
  return text;
}

uint8_t TBlockSocket::ReadByte(int timeout) {
  const std::string byte = ReadExactText(1, timeout);
  return byte.empty() ? 0 : static_cast<uint8_t>(byte[0]);
}

int32_t TBlockSocket::ReadInt32(int timeout) {
  return static_cast<int32_t>(FromLittleEndian(ReadExactText(kInt32Size, timeout)));
}

// Refused lines and counts: 10040, "Message too long".
void TBlockSocket::RefuseOversize() {
  last_error_ = kErrMessageSize;
  ReportLastError();
}

bool TBlockSocket::CountAllowed(int64_t count) {
  if (count >= 0 && count <= kMaxCountedLength) return true;
  RefuseOversize();
  return false;
}

// A line is judged by its length without the terminator, whether it came in one receive or in
// many: longer than MaxLineLength is refused (10040). The rest of a refused line is dropped up
// to its terminator, so the next read starts at the next line.
std::string TBlockSocket::ReadUntil(const std::string& terminator, int timeout) {
  last_error_ = 0;
  const std::size_t keep = terminator.empty() ? 0 : terminator.size() - 1;
  for (;;) {
    const std::size_t found = terminator.empty() ? std::string::npos : buffer_.find(terminator);
    if (found != std::string::npos) {
      std::string line = buffer_.substr(0, found);
      buffer_.erase(0, found + terminator.size());
      if (discard_line_) {
        discard_line_ = false;
        continue;
      }
      if (MaxLineLength > 0 && line.size() > static_cast<std::size_t>(MaxLineLength)) {
        RefuseOversize();
        return {};
      }
      return line;
    }
    // No terminator yet. Keep only what may be the start of one.
    const bool too_long =
        MaxLineLength > 0 && buffer_.size() > static_cast<std::size_t>(MaxLineLength) + keep;
    if (discard_line_ || too_long) {
      buffer_.erase(0, buffer_.size() - std::min(buffer_.size(), keep));
      if (too_long && !discard_line_) {
        discard_line_ = !terminator.empty();
        RefuseOversize();
        return {};
      }
    }
    if (!FillLineBuffer(timeout)) return {};
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
      if (discard_line_) {
        discard_line_ = false;
        continue;
      }
      if (MaxLineLength > 0 && line.size() > static_cast<std::size_t>(MaxLineLength)) {
        RefuseOversize();
        return {};
      }
      return line;
    }
    const bool too_long =
        MaxLineLength > 0 && buffer_.size() > static_cast<std::size_t>(MaxLineLength);
    if (discard_line_ || too_long) {
      buffer_.clear();
      if (too_long && !discard_line_) {
        discard_line_ = true;
        RefuseOversize();
        return {};
      }
    }
    if (!FillLineBuffer(timeout)) return {};
  }
}

std::string TBlockSocket::ReadCountedText(int timeout) {
  const int32_t length = ReadInt32(timeout);
  if (last_error_ != 0 || !CountAllowed(length)) return {};
  return ReadExactText(length, timeout);
}

void TBlockSocket::ReadStream(std::ostream& stream, int timeout) {
  for (;;) {
    const std::string data = ReadAvailable(timeout);
    if (last_error_ != 0) return;
    WritePiece(stream, data);
  }
}

void TBlockSocket::ReadStreamCounted(std::ostream& stream, int timeout) {
  const int32_t size = ReadInt32(timeout);
  if (last_error_ != 0 || !CountAllowed(size)) return;
  const std::string data = ReadExactText(size, timeout);
  WritePiece(stream, data);
}

void TBlockSocket::ReadStreamCountedBE(std::ostream& stream, int timeout) {
  std::string size_bytes = ReadExactText(kInt32Size, timeout);
  if (last_error_ != 0) return;
  std::reverse(size_bytes.begin(), size_bytes.end());
  const uint32_t size = FromLittleEndian(size_bytes);
  if (!CountAllowed(size)) return;
  const std::string data = ReadExactText(static_cast<int32_t>(size), timeout);
  WritePiece(stream, data);
}

}  // namespace kestrum::net
