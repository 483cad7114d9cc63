// Start-up shortcut on POSIX desktops: an XDG autostart entry, "<name>.desktop" in
// $XDG_CONFIG_HOME/autostart (or ~/.config/autostart), written atomically.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "base/text.h"
#include "platform/shortcut.h"

namespace kestrum::platform {
namespace {

constexpr char kEntryExtension[] = ".desktop";
constexpr char kAutostartFolder[] = "autostart";
constexpr mode_t kFolderMode = 0700;

// Characters that make an Exec argument need quotes.
constexpr char kReservedInExec[] = " \t\n\"'\\><~|&;$*?#()`";

// One Exec argument: quoted when it holds a reserved character, with the characters that
// stay special inside quotes escaped; '%' doubled, as it starts a field code.
std::string ExecArgument(const std::string& utf8) {
  const bool quote = utf8.empty() || utf8.find_first_of(kReservedInExec) != std::string::npos;
  std::string out = quote ? "\"" : "";
  for (const char c : utf8) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return quote ? out + "\"" : out;
}

// A value as the entry's string type stores it: one line, backslashes escaped.
std::string EntryValue(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string FolderWithSeparator(const std::string& path) {
  const size_t end = path.find_last_of('/');
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

std::string EntryText(const std::string& target, const std::string& arguments,
                      const std::string& name) {
  std::string exec = ExecArgument(target);
  std::istringstream words(arguments);
  for (std::string word; words >> word;) exec += " " + ExecArgument(word);
  std::ostringstream text;
  text << "[Desktop Entry]\n"
       << "Type=Application\n"
       << "Name=" << EntryValue(name) << "\n"
       << "Exec=" << EntryValue(exec) << "\n"
       << "Path=" << EntryValue(FolderWithSeparator(target)) << "\n"
       << "Terminal=false\n"
       << "X-GNOME-Autostart-enabled=true\n";
  return text.str();
}

bool MakeFolder(const std::string& path) {
  return mkdir(path.c_str(), kFolderMode) == 0 || errno == EEXIST;
}

// The user's autostart folder (UTF-8), made if missing; none without a home.
std::optional<std::string> AutostartFolder() {
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else if (home != nullptr && home[0] == '/') {
    config = std::string(home) + "/.config";
    if (!MakeFolder(config)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  const std::string folder = config + "/" + kAutostartFolder;
  if (!MakeFolder(config) || !MakeFolder(folder)) return std::nullopt;
  return folder;
}

class TXdgShortcuts final : public TShortcutPort {
 public:
  // Empty: the autostart folder for the start-up id.
  explicit TXdgShortcuts(std::string folder = {}) : folder_(std::move(folder)) {}

  void Create(const std::string& target, const std::string& arguments, const std::string& name,
              int folder_id) override {
    const auto folder = Folder(folder_id);
    if (!folder) return;
    const std::string path = EntryPath(*folder, name);
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    {
      std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
      file << EntryText(target, base::SjisToUtf8(arguments), base::SjisToUtf8(name));
      if (!file.flush()) {
        std::remove(temporary.c_str());
        return;
      }
    }
    // Replaces an earlier entry in one step; a failure is not reported.
    if (std::rename(temporary.c_str(), path.c_str()) != 0) std::remove(temporary.c_str());
  }

  void Delete(const std::string&, const std::string& name, int folder_id) override {
    const auto folder = Folder(folder_id);
    if (folder) std::remove(EntryPath(*folder, name).c_str());
  }

 private:
  std::optional<std::string> Folder(int folder_id) const {
    if (!folder_.empty()) return folder_;
    if (folder_id != kCsidlStartup) return std::nullopt;
    return AutostartFolder();
  }
  static std::string EntryPath(const std::string& folder, const std::string& name) {
    return folder + "/" + base::SjisToUtf8(name) + kEntryExtension;
  }
  std::string folder_;
};

}  // namespace

TShortcutPort& SystemShortcuts() {
  static TXdgShortcuts shortcuts;
  return shortcuts;
}

std::unique_ptr<TShortcutPort> FolderShortcuts(const std::string& folder) {
  return std::make_unique<TXdgShortcuts>(folder);
}

}  // namespace kestrum::platform
