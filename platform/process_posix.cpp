#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "base/text.h"
#include "platform/process.h"

namespace kestrum::platform {

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(length));
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

char PathDelimiter() { return '/'; }

std::vector<std::string> CommandLineArguments() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> result;
  size_t start = 0;
  while (start < all.size()) {
    const size_t end = all.find('\0', start);
    result.push_back(base::Utf8ToSjis(all.substr(start, end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (!result.empty()) result.erase(result.begin());
  return result;
}

TUserTimeFormat UserTimeFormat() { return {}; }

}  // namespace kestrum::platform
