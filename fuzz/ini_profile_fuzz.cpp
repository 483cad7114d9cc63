// The POSIX INI reader and writer on arbitrary file contents: after writing one key, the key
// reads back as written, every other section/key reads as before, and the file keeps every
// other line (one line replaced, one inserted, or a section appended at the end).
//
// Input: three length bytes (section, key, value), those texts, then the file's content.
// Names and value are cleaned to what a profile can hold (see Clean*).
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/profile.h"

using kestrum::platform::SystemProfile;

namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr const char* kMissing = "\x01missing";

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

std::string Without(std::string_view text, std::string_view bytes) {
  std::string out;
  for (char c : text) {
    if (bytes.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

// One line, no blanks around it; a section name has no "]", a key no "=" and no leading "["
// (which would make its line a section header).
std::string CleanSection(std::string_view text) { return Trimmed(Without(text, "\r\n]")); }
std::string CleanKey(std::string_view text) {
  std::string key = Trimmed(Without(text, "\r\n="));
  while (!key.empty() && key.front() == '[') key = Trimmed(key.substr(1));
  return key;
}
// Also not wrapped in a pair of quotes, which the reader removes.
std::string CleanValue(std::string_view text) {
  std::string value = Trimmed(Without(text, "\r\n"));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value += 'x';
  }
  return value;
}

// ASCII letter case ignored; a Shift-JIS character (lead byte 81-9F or E0-FC and the byte after
// it) must match exactly, whatever its second byte looks like.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (((x >= 0x81 && x <= 0x9F) || x >= 0xE0) && x <= 0xFC && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(x) != lower(y)) return false;
  }
  return true;
}

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t end = content.find('\n', start);
    lines.push_back(content.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Every (section, key) the content names, as the reader would look them up.
std::vector<std::pair<std::string, std::string>> Names(const std::string& content) {
  std::vector<std::pair<std::string, std::string>> names;
  bool in_section = false;
  std::string section;
  for (const std::string& line : Lines(content)) {
    const std::string t = Trimmed(line);
    if (t.size() >= 2 && t.front() == '[' && t.find(']') != std::string::npos) {
      section = Trimmed(t.substr(1, t.find(']') - 1));
      in_section = true;
    } else if (in_section && line.find('=') != std::string::npos) {
      names.emplace_back(section, Trimmed(line.substr(0, line.find('='))));
    }
  }
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

const std::string& ScratchFile() {
  static const std::string path = [] {
    // tmpfs when there is one: the writer syncs every file it writes.
    std::string pattern =
        access("/dev/shm", W_OK) == 0 ? "/dev/shm/kestrum-ini-XXXXXX" : "/tmp/kestrum-ini-XXXXXX";
    const char* dir = mkdtemp(pattern.data());
    FUZZ_CHECK(dir != nullptr, "no scratch folder");
    static std::string folder = dir;
    std::atexit([] {
      std::remove((folder + "/Environ.ini").c_str());
      rmdir(folder.c_str());
    });
    return folder + "/Environ.ini";
  }();
  return path;
}

// Before and after differ by one replaced line, one inserted line, or two lines at the end.
bool KeepsOtherLines(const std::vector<std::string>& before,
                     const std::vector<std::string>& after) {
  if (after.size() == before.size() + 2) {
    return std::equal(before.begin(), before.end(), after.begin());
  }
  size_t i = 0;
  while (i < before.size() && i < after.size() && before[i] == after[i]) ++i;
  if (after.size() == before.size() + 1) {
    return std::equal(before.begin() + i, before.end(), after.begin() + i + 1);
  }
  return after.size() == before.size() &&
         (i == before.size() ||
          std::equal(before.begin() + i + 1, before.end(), after.begin() + i + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
  auto take = [&rest](uint8_t length) {
    const std::string_view piece = rest.substr(0, length % 24);
    rest.remove_prefix(piece.size());
    return piece;
  };
  const std::string section = CleanSection(take(data[0]));
  const std::string key = CleanKey(take(data[1]));
  const std::string value = CleanValue(take(data[2]));
  const std::string content(rest);

  const std::string& path = ScratchFile();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  auto& ini = SystemProfile();
  std::map<std::pair<std::string, std::string>, std::string> others;
  for (const auto& [s, k] : Names(content)) {
    if (!(SameName(s, section) && SameName(k, key)))
      others[{s, k}] = ini.ReadString(path, s, k, kMissing);
  }

  FUZZ_CHECK(ini.WriteString(path, section, key, value), "the write failed");
  const std::string after = ReadFile(path);
  const std::string read = ini.ReadString(path, section, key, kMissing);
  FUZZ_CHECK(read == value, "[%s] %s = \"%s\" read back as \"%s\"", section.c_str(), key.c_str(),
             value.c_str(), read.c_str());
  for (const auto& [name, before] : others) {
    const std::string now = ini.ReadString(path, name.first, name.second, kMissing);
    FUZZ_CHECK(now == before, "writing [%s] %s changed [%s] %s from \"%s\" to \"%s\"",
               section.c_str(), key.c_str(), name.first.c_str(), name.second.c_str(),
               before.c_str(), now.c_str());
  }
  FUZZ_CHECK(KeepsOtherLines(Lines(content), Lines(after)), "other lines of the file changed");
  return 0;
}
