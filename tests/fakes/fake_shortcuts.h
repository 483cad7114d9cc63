#pragma once
// A start-up shortcut port that records what it is asked to do, and can refuse to make the
// link object as a broken system would.

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/shortcut.h"

namespace kestrum::fakes {

class TFakeShortcuts final : public platform::TShortcutPort {
 public:
  void Create(const std::string& target, const std::string& arguments, const std::string& name,
              int folder_id) override {
    if (fail) throw std::runtime_error("Cannot create the shell link object");
    calls.push_back("create " + target + "|" + arguments + "|" + name + "|" +
                    std::to_string(folder_id));
  }
  void Delete(const std::string& target, const std::string& name, int folder_id) override {
    if (fail) throw std::runtime_error("Cannot create the shell link object");
    calls.push_back("delete " + target + "|" + name + "|" + std::to_string(folder_id));
  }

  bool fail = false;
  std::vector<std::string> calls;
};

}  // namespace kestrum::fakes
