#include "net/netutil.h"

#include <cstdint>
#include <vector>

namespace kestrum::net {
namespace {

constexpr int kIPv4Fields = 4;
constexpr int kIPv6MaxFields = 8;
constexpr uint32_t kMaxIPv6Word = 0xFFFF;
constexpr uint32_t kMaxIPv4Byte = 255;

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    fields.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

bool IsDecimalByte(std::string_view field) {
  if (field.empty()) return false;
  uint32_t value = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
    if (value > kMaxIPv4Byte) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsHexWord(std::string_view field) {
  if (field.empty()) return false;
  uint32_t value = 0;
  for (const char c : field) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
    if (value > kMaxIPv6Word) return false;
  }
  return true;
}

// The last field may carry a zone: "1%4".
bool IsLastIPv6Field(std::string_view field) {
  const std::size_t percent = field.find('%');
  if (percent == std::string_view::npos) return IsHexWord(field);
  return IsHexWord(field.substr(0, percent)) && IsHexWord(field.substr(percent + 1));
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool IsIP(std::string_view text) {
  const std::vector<std::string_view> fields = Split(text, '.');
  if (fields.size() != kIPv4Fields) return false;
  for (const std::string_view field : fields) {
    if (!IsDecimalByte(TrimBlanks(field))) return false;
  }
  return true;
}

bool IsIP6(std::string_view text) {
  // Without a ":" a text is a host name, even one of hex digits only ("cafe", "1234").
  if (text.find(':') == std::string_view::npos) return false;
  const std::vector<std::string_view> fields = Split(text, ':');
  int empty_fields = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string_view field = TrimBlanks(fields[i]);
    const bool last = i + 1 == fields.size();
    if (field.empty()) {
      if (last) return false;
      if (i > 0 && ++empty_fields > 1) return false;
      continue;
    }
    if (i + 1 > kIPv6MaxFields) return false;
    if (!(last ? IsLastIPv6Field(field) : IsHexWord(field))) return false;
  }
  return true;
}

}  // namespace kestrum::net
