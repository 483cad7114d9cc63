// The XDG autostart entry: content, quoting of awkward paths, replacement, removal, and the
// folder taken from XDG_CONFIG_HOME. Everything happens in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/process.h"
#include "platform/shortcut.h"

namespace kestrum::platform {
namespace {

class XdgShortcut : public ::testing::Test {
 protected:
  XdgShortcut() {
    char pattern[] = "/tmp/kestrum-autostart-XXXXXX";
    dir_ = mkdtemp(pattern);
    entry_ = dir_ + "/Kestrum.desktop";
  }
  ~XdgShortcut() override { std::filesystem::remove_all(dir_); }
  std::optional<std::string> Entry(const std::string& path) const {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  std::string ExecLine() const {
    const std::string text = Entry(entry_).value_or("");
    const size_t start = text.find("\nExec=");
    if (start == std::string::npos) return {};
    return text.substr(start + 1, text.find('\n', start + 1) - start - 1);
  }

  std::string dir_, entry_;
};

TEST_F(XdgShortcut, WritesReplacesAndDeletesTheEntry) {
  auto port = FolderShortcuts(dir_);
  port->Create("/opt/kestrum/Kestrum", "/S 5000", "Kestrum", kCsidlStartup);
  EXPECT_EQ(Entry(entry_),
            "[Desktop Entry]\nType=Application\nName=Kestrum\nExec=/opt/kestrum/Kestrum /S 5000\n"
            "Path=/opt/kestrum/\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
  port->Create("/opt/kestrum/Kestrum", "/S 30000", "Kestrum", kCsidlStartup);
  EXPECT_EQ(ExecLine(), "Exec=/opt/kestrum/Kestrum /S 30000");
  port->Delete("/opt/kestrum/Kestrum", "Kestrum", kCsidlStartup);
  EXPECT_FALSE(Entry(entry_));
  // Deleting what is not there is no error.
  port->Delete("/opt/kestrum/Kestrum", "Kestrum", kCsidlStartup);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                          std::filesystem::directory_iterator()),
            0);
}

TEST_F(XdgShortcut, AwkwardPathsAreQuotedSoTheyStayOneArgument) {
  struct Case {
    const char* target;
    const char* exec;
  };
  for (const Case& c : {
           Case{"/my apps/Kestrum", R"(Exec="/my apps/Kestrum" /S)"},
           Case{"/a$b/K\"e`s", R"(Exec="/a\\$b/K\\"e\\`s" /S)"},
           Case{"/100%/Kestrum", "Exec=/100%%/Kestrum /S"},
           Case{"/x\\y/K", R"(Exec="/x\\\\y/K" /S)"},
           Case{"/line\nbreak/K", R"(Exec="/line\nbreak/K" /S)"},
       }) {
    FolderShortcuts(dir_)->Create(c.target, "/S", "Kestrum", kCsidlStartup);
    EXPECT_EQ(ExecLine(), c.exec) << c.target;
  }
}

TEST_F(XdgShortcut, StartupFolderFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
  SystemShortcuts().Create("/opt/kestrum/Kestrum", "/S 5000", "Kestrum", kCsidlStartup);
  const std::string entry = dir_ + "/config/autostart/Kestrum.desktop";
  EXPECT_TRUE(FileExists(entry));
  // Other folder ids have no counterpart here: nothing is written or removed.
  SystemShortcuts().Delete("/opt/kestrum/Kestrum", "Kestrum", kCsidlStartup + 1);
  EXPECT_TRUE(FileExists(entry));
  SystemShortcuts().Delete("/opt/kestrum/Kestrum", "Kestrum", kCsidlStartup);
  EXPECT_FALSE(FileExists(entry));
  EXPECT_FALSE(FileExists(dir_ + "/config/autostart"));  // a folder is not a file
  if (saved) {
    setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace kestrum::platform
