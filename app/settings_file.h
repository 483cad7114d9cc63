#pragma once
// "Environ.ini" beside the executable: one value read or written at a time.

#include <string>
#include <utility>

#include "platform/profile.h"

namespace kestrum::app {

constexpr char kSettingsFileName[] = "Environ.ini";
// Keys in the section named by the main window's caption.
constexpr char kTimeServerKey[] = "TimeServer";  // the chosen server
constexpr char kStartTimeKey[] = "StartTime";    // the start-up delay entry, seconds or empty

class TSettingsFile {
 public:
  // `path` in UTF-8, as the profile port takes it.
  TSettingsFile(platform::TProfilePort& profile, std::string path)
      : profile_(profile), path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) const {
    return profile_.ReadString(path_, section, key, default_value);
  }
  // False when the file could not be written (a folder without write access, say).
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) {
    const bool written = profile_.WriteString(path_, section, key, value);
    if (!written && !failed_) failed_ = unreported_ = true;
    return written;
  }
  // True once, after the first failed write of this object's life: the caller reports it.
  bool TakeUnreportedFailure() { return std::exchange(unreported_, false); }

 private:
  platform::TProfilePort& profile_;
  std::string path_;
  bool failed_ = false;
  bool unreported_ = false;
};

}  // namespace kestrum::app
