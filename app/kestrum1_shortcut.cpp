// The start-up row: picking a delay puts a shortcut that starts the program unattended into
// the user's Startup folder; the empty entry removes it. The choice is remembered.
#include "app/command_line.h"
#include "app/kestrum1.h"
#include "app/settings_file.h"

namespace kestrum::app {
namespace {

// Seconds become milliseconds by appending three zeros to the entry's text.
constexpr char kSecondsToMilliseconds[] = "000";
constexpr char kWarningCaption[] = "警告";
constexpr char kWarningText[] = "この機能はWindows10以降のOSには対応していません。";

}  // namespace

void TKestrumForm::StartTimeChange() {
  const std::string target = services_.executable_path;
  const std::string title = toolkit::Application().Title();
  const std::string seconds = StartTime->SelectedText();
  std::string arguments = kUnattendedSwitch;
  if (!seconds.empty()) arguments += " " + seconds + kSecondsToMilliseconds;

  const bool exists = services_.file_exists && services_.file_exists(target);
  if (!exists || title.empty()) return;
  if (!seconds.empty()) {
    services_.widgets.ShowWarning(kWarningCaption, kWarningText);
    CreateStartupShortcut(target, arguments, title, platform::kCsidlStartup);
  } else {
    DeleteStartupShortcut(target, title, platform::kCsidlStartup);
  }
  settings->WriteString(Caption(), kStartTimeKey, seconds);
  if (!seconds.empty()) {
    ArrangeLogonRun(target, seconds + kSecondsToMilliseconds, title);
  } else {
    RemoveLogonTask(title);
  }
  ReportSettingsFailure();
}

void TKestrumForm::CreateStartupShortcut(const std::string& target, const std::string& arguments,
                                         const std::string& name, int folder_id) {
  services_.shortcuts.Create(target, arguments, name, folder_id);
}

void TKestrumForm::DeleteStartupShortcut(const std::string& target, const std::string& name,
                                         int folder_id) {
  services_.shortcuts.Delete(target, name, folder_id);
}

}  // namespace kestrum::app
