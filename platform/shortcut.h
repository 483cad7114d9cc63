#pragma once
// Start-up shortcut: a link that starts the program with arguments, kept in a folder the
// platform names by a folder id (the user's Startup folder on Windows, the XDG autostart
// folder elsewhere). Paths are UTF-8; the arguments and the name Shift-JIS.

#include <memory>
#include <string>

namespace kestrum::platform {

// The current user's Startup folder.
constexpr int kCsidlStartup = 7;

class TShortcutPort {
 public:
  virtual ~TShortcutPort() = default;
  // Writes the link `name` in the folder, replacing an earlier one; it starts `target` with
  // `arguments` in the target's folder. Throws when the platform's link object cannot be
  // made; writes nothing, silently, when the folder cannot be found.
  virtual void Create(const std::string& target, const std::string& arguments,
                      const std::string& name, int folder_id) = 0;
  // Removes the link `name`; a missing one is no error.
  virtual void Delete(const std::string& target, const std::string& name, int folder_id) = 0;
};

// The platform's own folders.
TShortcutPort& SystemShortcuts();
// The same links kept in `folder` whatever the folder id: for tests, which must never touch
// the user's real start-up folder.
std::unique_ptr<TShortcutPort> FolderShortcuts(const std::string& folder);

}  // namespace kestrum::platform
