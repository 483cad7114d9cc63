// The shell link on Windows, read back through IShellLinkW: target, arguments and working
// folder; replacement and removal. Links go to a temporary folder named outside every code page
// but Unicode, or (for the folder lookup) under a name of the test's own removed at once.
#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "platform/process.h"
#include "platform/shortcut.h"

namespace kestrum::platform {
namespace {

// Paths are UTF-8 at the port.
std::wstring Wide(const std::string& utf8) {
  const std::u16string wide = base::Utf8ToUtf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const std::wstring& wide) {
  return base::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

struct TLinkContent {
  std::string path, arguments, working_folder;
};

// Reads a link file back through the link object's W interface.
TLinkContent ReadLink(const std::string& file) {
  TLinkContent content;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    ADD_FAILURE() << "no shell link object";
    return content;
  }
  IPersistFile* persist = nullptr;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
  if (persist != nullptr && SUCCEEDED(persist->Load(Wide(file).c_str(), STGM_READ))) {
    wchar_t text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    content.path = Narrow(text);
    link->GetArguments(text, MAX_PATH);
    content.arguments = Narrow(text);
    link->GetWorkingDirectory(text, MAX_PATH);
    content.working_folder = Narrow(text);
  } else {
    ADD_FAILURE() << "cannot load " << file;
  }
  if (persist != nullptr) persist->Release();
  link->Release();
  return content;
}

class ShellLink : public ::testing::Test {
 protected:
  ShellLink() {
    CoInitialize(nullptr);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = Narrow(temp) + reinterpret_cast<const char*>(u8"kestrum-link-Café-테스트-") +
              std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Wide(folder_).c_str(), nullptr);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    target_ = Narrow(exe);
    target_folder_ = target_.substr(0, target_.find_last_of('\\') + 1);
  }
  ~ShellLink() override {
    DeleteFileW(Wide(folder_ + "\\Kestrum.lnk").c_str());
    RemoveDirectoryW(Wide(folder_).c_str());
    CoUninitialize();
  }
  std::string folder_, target_, target_folder_;
};

TEST_F(ShellLink, CreateReplaceDelete) {
  auto port = FolderShortcuts(folder_);
  const std::string file = folder_ + "\\Kestrum.lnk";
  port->Create(target_, "/S 5000", "Kestrum", kCsidlStartup);
  ASSERT_TRUE(FileExists(file));
  TLinkContent link = ReadLink(file);
  EXPECT_EQ(link.path, target_);
  EXPECT_EQ(link.arguments, "/S 5000");
  EXPECT_EQ(link.working_folder, target_folder_);
  port->Create(target_, "/S 30000", "Kestrum", kCsidlStartup);
  EXPECT_EQ(ReadLink(file).arguments, "/S 30000");
  port->Delete(target_, "Kestrum", kCsidlStartup);
  EXPECT_FALSE(FileExists(file));
  port->Delete(target_, "Kestrum", kCsidlStartup);  // nothing there: no error
}

TEST_F(ShellLink, StartupFolderComesFromTheShell) {
  wchar_t startup[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, startup, kCsidlStartup, TRUE));
  const std::string name = "KestrumTest" + std::to_string(GetCurrentProcessId());
  const std::string file = Narrow(startup) + "\\" + name + ".lnk";
  SystemShortcuts().Create(target_, "/S 1000", name, kCsidlStartup);
  EXPECT_TRUE(FileExists(file));
  SystemShortcuts().Delete(target_, name, kCsidlStartup);
  EXPECT_FALSE(FileExists(file));
}

}  // namespace
}  // namespace kestrum::platform
