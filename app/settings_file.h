#pragma once
// "Environ.ini" beside the executable: one value read or written at a time.

#include <string>

#include "platform/profile.h"

namespace kestrum::app {

constexpr char kSettingsFileName[] = "Environ.ini";
// Keys in the section named by the main window's caption.
constexpr char kTimeServerKey[] = "TimeServer";  // the chosen server
constexpr char kStartTimeKey[] = "StartTime";    // the start-up delay entry, seconds or empty

class TSettingsFile {
 public:
  TSettingsFile(platform::TProfilePort& profile, std::string path)
      : profile_(profile), path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) const {
    return profile_.ReadString(path_, section, key, default_value);
  }
  void WriteString(const std::string& section, const std::string& key, const std::string& value) {
    profile_.WriteString(path_, section, key, value);
  }

 private:
  platform::TProfilePort& profile_;
  std::string path_;
};

}  // namespace kestrum::app
