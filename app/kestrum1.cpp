#include "app/kestrum1.h"

#include <utility>

#include "app/command_line.h"
#include "app/servers.h"
#include "app/settings_file.h"
#include "base/errors.h"
#include "base/text.h"

namespace kestrum::app {
namespace {

constexpr int kEmptyHostEntries = 2;
constexpr char kWarningCaption[] = "警告";
// The report of a settings file that cannot be written; the folder goes between the two parts.
constexpr char kCannotSaveSettings[] = "設定を保存できません。\nフォルダ ";
constexpr char kMoveToWritableFolder[] =
    " に Environ.ini を書き込めません。\n書き込みのできるフォルダに Kestrum.exe を移してください。";

std::string FolderOf(const std::string& path, char delimiter) {
  const size_t end = path.find_last_of(delimiter);
  return end == std::string::npos ? std::string() : path.substr(0, end);
}

}  // namespace

TKestrumForm::TKestrumForm(TKestrumServices services)
    : toolkit::TForm(nullptr), services_(std::move(services)) {
  SetName("KestrumForm");
  CreateControls();
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnCloseQuery = [this](bool& can_close) { FormCloseQuery(can_close); };
  OnDestroy = [this] { FormDestroy(); };
}

TKestrumForm::~TKestrumForm() { DoDestroy(); }

void TKestrumForm::FormCreate() {
  exe_dir = FolderOf(services_.executable_path, services_.path_delimiter);
  settings = std::make_unique<TSettingsFile>(
      services_.profile, exe_dir + services_.path_delimiter + kSettingsFileName);
  sntp = services_.make_sntp();
  edt_hostname->SetText(settings->ReadString(Caption(), kTimeServerKey, Server(1)));

  std::vector<std::string> hosts(kServers.begin(), kServers.end());
  hosts.insert(hosts.end(), kEmptyHostEntries, "");
  edt_hostbox->SetItems(hosts);
  edt_hostbox->SetItemIndex(edt_hostbox->IndexOf(edt_hostname->Text()));

  sntp_enabled = true;
  rfc868_enabled = true;
  cancel_flag = false;
  unattended = false;
  progress_color = kDefaultProgressColor;

  StartTime->SetItemIndex(StartTime->IndexOf(settings->ReadString(Caption(), kStartTimeKey, "")));
  ApplyCommandLine();
}

std::string TKestrumForm::Argument(size_t index) const {
  return index < services_.arguments.size() ? services_.arguments[index] : std::string();
}

void TKestrumForm::ApplyCommandLine() {
  const std::string first = Argument(0);
  const std::string second = Argument(1);
  if (RequestsUnattended(first)) {
    const TProtocols protocols = SelectProtocols(first);
    sntp_enabled = protocols.sntp;
    rfc868_enabled = protocols.rfc868;
    EnterUnattendedMode(second);
  }
  // A text that is neither a colour nor a number is reported, and start-up goes on.
  try {
    if (const auto color = ProgressColorArgument(second)) progress_color = *color;
  } catch (const base::EConvertError& error) {
    startup_error_ = error.what();
  }
}

void TKestrumForm::ReportStartupError() {
  if (startup_error_.empty()) return;
  const base::EConvertError error(std::exchange(startup_error_, std::string()));
  toolkit::Application().HandleException(error);
}

void TKestrumForm::EnterUnattendedMode(const std::string& delay) {
  toolkit::Application().SetShowMainForm(false);
  toolkit::Application().HideTaskbarWindow();
  EnableControls(false);
  SetWindowState(toolkit::TWindowState::wsMinimized);
  Timer->SetInterval(StartTimerInterval(delay));
  Timer->SetEnabled(true);
  unattended = true;
}

void TKestrumForm::FormShow() {
  EnableControls(true);
  Timer->SetEnabled(false);
  unattended = false;
}

void TKestrumForm::FormCloseQuery(bool& can_close) {
  cancel_flag = true;
  can_close = true;
}

void TKestrumForm::FormDestroy() { sntp.reset(); }

void TKestrumForm::EnableControls(bool enabled) {
  edt_hostname->SetEnabled(enabled);
  edt_hostbox->SetEnabled(enabled);
  btn_get->SetEnabled(enabled);
  btn_set->SetEnabled(enabled);
  btn_sync->SetEnabled(enabled);
  StartTime->SetEnabled(enabled);
}

void TKestrumForm::ReportSettingsFailure() {
  if (!settings || !settings->TakeUnreportedFailure()) return;
  std::string text = kCannotSaveSettings;
  text += base::Utf8ToSjis(exe_dir);
  text += kMoveToWritableFolder;
  services_.widgets.ShowWarning(kWarningCaption, text);
}

void TKestrumForm::edt_hostboxChange() {
  edt_hostname->SetText(edt_hostname->NormalizeText(edt_hostbox->SelectedText()));
}

}  // namespace kestrum::app
