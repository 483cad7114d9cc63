// INI files on POSIX: the same reading rules as the Windows profile functions (section and
// key names without regard to letter case, blanks around names and values ignored, one pair
// of quotes around a value removed). A write keeps every other line as it was and replaces
// the file in one step (temporary file, then rename), so a reader never sees half a file.
// As with the Windows functions, a read-only file is not written; nor is a symbolic link,
// which the rename would replace.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/profile.h"

namespace kestrum::platform {
namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// Shift-JIS lead bytes: the byte after one is half of the same character, never a letter.
bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Letter case of ASCII letters ignored; double-byte characters compared as they are.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

// The name of a "[section]" line; none for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

struct TEntry {
  std::string_view key;
  std::string_view value;
};

std::optional<TEntry> EntryOf(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos || SectionName(line)) return std::nullopt;
  return TEntry{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < all.size()) {
    const size_t end = all.find('\n', start);
    lines.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Where a section's lines are: [begin, end) after its header; begin = 0 when it is missing.
struct TSectionSpan {
  size_t begin = 0;
  size_t end = 0;
};

TSectionSpan FindSection(const std::vector<std::string>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i]);
    if (!name || !SameName(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end])) ++end;
    return {i + 1, end};
  }
  return {};
}

std::string EndOfLine(const std::vector<std::string>& lines) {
  for (const auto& line : lines) {
    if (!line.empty() && line.back() == '\r') return "\r\n";
  }
  return "\n";
}

void SetValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
              const std::string& value) {
  const std::string cr = EndOfLine(lines) == "\r\n" ? "\r" : "";
  const TSectionSpan span = FindSection(lines, section);
  if (span.begin == 0) {
    lines.push_back("[" + std::string(section) + "]" + cr);
    lines.push_back(std::string(key) + "=" + value + cr);
    return;
  }
  size_t insert_at = span.begin;
  for (size_t i = span.begin; i < span.end; ++i) {
    const auto entry = EntryOf(lines[i]);
    if (entry && SameName(entry->key, key)) {
      lines[i] = std::string(entry->key) + "=" + value + cr;
      return;
    }
    if (!Trim(lines[i]).empty()) insert_at = i + 1;
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
               std::string(key) + "=" + value + cr);
}

constexpr mode_t kNewFileMode = 0644;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// Whether the file at `path` may be replaced, and the mode its successor keeps. A file without
// any write permission is read-only even for a user whom the system would let write it.
bool MayReplace(const std::string& path, std::optional<mode_t>& mode) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISREG(st.st_mode) || (st.st_mode & kAnyWrite) == 0) return false;
  if (access(path.c_str(), W_OK) != 0) return false;
  mode = st.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO);
  return true;
}

bool WriteAll(const std::string& path, const std::string& content) {
  std::optional<mode_t> mode;
  if (!MayReplace(path, mode)) return false;
  const std::string temp = path + ".tmp." + std::to_string(getpid());
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, kNewFileMode);
  if (fd < 0) return false;
  if (mode && fchmod(fd, *mode) != 0) {
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == content.size() && fsync(fd) == 0;
  if (close(fd) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

class TIniFileProfile final : public TProfilePort {
 public:
  std::string ReadString(const std::string& path, const std::string& section,
                         const std::string& key, const std::string& default_value) override {
    const std::vector<std::string> lines = ReadLines(path);
    const TSectionSpan span = FindSection(lines, section);
    for (size_t i = span.begin; span.begin != 0 && i < span.end; ++i) {
      const auto entry = EntryOf(lines[i]);
      if (entry && SameName(entry->key, key)) return Unquoted(entry->value);
    }
    return default_value;
  }

  bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) override {
    std::vector<std::string> lines = ReadLines(path);
    SetValue(lines, Trim(section), Trim(key), value);
    std::string content;
    for (const auto& line : lines) content += line + "\n";
    return WriteAll(path, content);
  }
};

}  // namespace

TProfilePort& SystemProfile() {
  static TIniFileProfile profile;
  return profile;
}

}  // namespace kestrum::platform
