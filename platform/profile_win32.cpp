#include <windows.h>

#include <vector>

#include "base/text.h"
#include "platform/profile.h"
#include "platform/wide_win32.h"

namespace kestrum::platform {
namespace {

// Longest value read back, in UTF-16 units.
constexpr DWORD kMaxValueLength = 4096;

class TPrivateProfile final : public TProfilePort {
 public:
  std::string ReadString(const std::string& path, const std::string& section,
                         const std::string& key, const std::string& default_value) override {
    std::vector<wchar_t> buffer(kMaxValueLength);
    const DWORD length = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                                  Wide(default_value).c_str(), buffer.data(),
                                                  kMaxValueLength, WidePath(path).c_str());
    return base::Utf16ToSjis(std::u16string(buffer.data(), buffer.data() + length));
  }

  bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) override {
    return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                      WidePath(path).c_str()) != FALSE;
  }
};

}  // namespace

TProfilePort& SystemProfile() {
  static TPrivateProfile profile;
  return profile;
}

}  // namespace kestrum::platform
