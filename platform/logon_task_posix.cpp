// Logon tasks on POSIX: none; the autostart entry is the only start-up here.
#include "platform/logon_task.h"

namespace kestrum::platform {
namespace {

class TNoLogonTasks final : public TLogonTaskPort {
 public:
  bool Register(const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  bool Remove(const std::string&) override { return true; }
  bool Exists(const std::string&) override { return false; }
};

}  // namespace

TLogonTaskPort& SystemLogonTasks() {
  static TNoLogonTasks tasks;
  return tasks;
}

}  // namespace kestrum::platform
