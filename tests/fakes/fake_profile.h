#pragma once
// An in-memory profile file set that logs every write in order.

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/profile.h"

namespace kestrum::fakes {

class TFakeProfile final : public platform::TProfilePort {
 public:
  struct TWrite {
    std::string path, section, key, value;
    friend bool operator==(const TWrite&, const TWrite&) = default;
  };

  void Set(const std::string& path, const std::string& section, const std::string& key,
           const std::string& value) {
    values_[Key(path, section, key)] = value;
  }

  std::string ReadString(const std::string& path, const std::string& section,
                         const std::string& key, const std::string& default_value) override {
    reads.push_back(key);
    const auto it = values_.find(Key(path, section, key));
    return it == values_.end() ? default_value : it->second;
  }
  bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) override {
    writes.push_back({path, section, key, value});
    if (refuse_writes) return false;
    Set(path, section, key, value);
    return true;
  }

  // Values written under `key`, in order.
  std::vector<std::string> WrittenValues(const std::string& key) const {
    std::vector<std::string> result;
    for (const auto& w : writes) {
      if (w.key == key) result.push_back(w.value);
    }
    return result;
  }

  bool refuse_writes = false;  // every write fails, as in a folder without write access
  std::vector<std::string> reads;
  std::vector<TWrite> writes;

 private:
  static std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
  }
  static std::tuple<std::string, std::string, std::string> Key(const std::string& path,
                                                               const std::string& section,
                                                               const std::string& key) {
    return {path, Lower(section), Lower(key)};
  }
  std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

}  // namespace kestrum::fakes
