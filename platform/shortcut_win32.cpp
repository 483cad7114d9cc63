// Start-up shortcut on Windows: a shell link written through IShellLinkW and IPersistFile into
// the folder the shell reports for the folder id. Every path stays UTF-16 on its way, so that
// no folder name is lost to the system's ANSI code page.
#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <shlobj.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/shortcut.h"
#include "platform/wide_win32.h"

namespace kestrum::platform {
namespace {

constexpr char kLinkExtension[] = ".lnk";

// The shell-link object and its two interfaces; throws when any of them is missing.
struct TShellLink {
  TComPtr<IShellLinkW> link;
  TComPtr<IPersistFile> file;
  TShellLink() {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.Out())))) {
      throw std::runtime_error("Cannot create the shell link object");
    }
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out())))) {
      throw std::runtime_error("Interface not supported");
    }
  }
};

// The folder of `folder_id` through the shell's item id list; none when the shell has none.
std::optional<std::wstring> ShellFolder(int folder_id) {
  TComPtr<IMalloc> malloc;
  if (FAILED(SHGetMalloc(malloc.Out()))) return std::nullopt;
  LPITEMIDLIST ids = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folder_id, &ids))) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool found = SHGetPathFromIDListW(ids, path) != FALSE;
  malloc->Free(ids);
  if (!found) return std::nullopt;
  return std::wstring(path);
}

std::wstring LinkFile(const std::wstring& folder, const std::string& name) {
  return folder + L"\\" + Wide(name + kLinkExtension);
}

class TWin32Shortcuts final : public TShortcutPort {
 public:
  // Empty: the shell's folder for each id.
  explicit TWin32Shortcuts(std::wstring folder = {}) : folder_(std::move(folder)) {}

  void Create(const std::string& target, const std::string& arguments, const std::string& name,
              int folder_id) override {
    TShellLink shell_link;
    const auto folder = Folder(folder_id);
    if (!folder) return;
    const std::wstring path = WidePath(target);
    shell_link.link->SetPath(path.c_str());
    shell_link.link->SetArguments(Wide(arguments).c_str());
    shell_link.link->SetWorkingDirectory(FolderOf(path).c_str());
    // A failed save is not reported.
    shell_link.file->Save(LinkFile(*folder, name).c_str(), FALSE);
  }

  void Delete(const std::string&, const std::string& name, int folder_id) override {
    TShellLink shell_link;
    const auto folder = Folder(folder_id);
    if (folder) DeleteFileW(LinkFile(*folder, name).c_str());
  }

 private:
  std::optional<std::wstring> Folder(int folder_id) const {
    if (!folder_.empty()) return folder_;
    return ShellFolder(folder_id);
  }
  std::wstring folder_;
};

}  // namespace

TShortcutPort& SystemShortcuts() {
  static TWin32Shortcuts shortcuts;
  return shortcuts;
}

std::unique_ptr<TShortcutPort> FolderShortcuts(const std::string& folder) {
  return std::make_unique<TWin32Shortcuts>(WidePath(folder));
}

}  // namespace kestrum::platform
