#pragma once
// Profile (INI) files: one string under a section and key, read or written at a time, with
// nothing cached. Paths are UTF-8; sections, keys and values Shift-JIS. Section and key names
// are matched without regard to letter case.

#include <string>

namespace kestrum::platform {

class TProfilePort {
 public:
  virtual ~TProfilePort() = default;
  // `default_value` when the file, the section or the key is missing.
  virtual std::string ReadString(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& default_value) = 0;
  // Creates the file and the section when needed; false when the file cannot be written.
  virtual bool WriteString(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& value) = 0;
};

// The platform's profile functions.
TProfilePort& SystemProfile();

}  // namespace kestrum::platform
