#pragma once
// A task of the system's scheduler that starts a program at this user's logon with the
// highest rights the user has, without a prompt. Registering or replacing one needs an
// administrator's rights. Paths are UTF-8, texts Shift-JIS.

#include <string>

namespace kestrum::platform {

class TLogonTaskPort {
 public:
  virtual ~TLogonTaskPort() = default;
  // Registers (or replaces) the task `name`: at this user's logon, only while logged on,
  // `target` with `arguments` in the target's folder, on battery too, a few minutes at most.
  virtual bool Register(const std::string& name, const std::string& target,
                        const std::string& arguments) = 0;
  // Removes the task; a missing one is no error.
  virtual bool Remove(const std::string& name) = 0;
  virtual bool Exists(const std::string& name) = 0;
};

TLogonTaskPort& SystemLogonTasks();

}  // namespace kestrum::platform
