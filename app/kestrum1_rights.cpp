// The rights the clock needs: a logon run that lacks them is offered the logon task
// (administrators under UAC) or the right itself (standard accounts), and a refused 誤差設定
// in an administrator's filtered run is offered one elevated synchronisation.
#include <string>

#include "app/command_line.h"
#include "app/kestrum1.h"
#include "app/status_texts.h"

namespace kestrum::app {
namespace {

using platform::TClockRight;
using platform::TElevation;

constexpr char kRightsCaption[] = "権限";
constexpr char kLogonTaskQuestion[] =
    "ログオン時の自動設定には、時刻を変更する権限がありません。\n"
    "タスク スケジューラに「最上位の特権で実行する」タスクとして登録しますか？\n"
    "（確認は今回だけで、ログオン時には表示されません）";
constexpr char kClockRightQuestion[] =
    "このアカウントには「システム時刻の変更」の権限がありません。\n"
    "管理者がこの権限を与える必要があります。\n"
    "今すぐ管理者の資格情報で与えますか？";
constexpr char kElevatedSyncQuestion[] =
    "時刻を変更する権限がありません。\n"
    "管理者として一度だけ同期しますか？";
constexpr char kImmediately[] = "0";

}  // namespace

TKestrumForm::TStepResult TKestrumForm::AdministrativeStep(
    const std::string& switch_text, const std::string& argument,
    const std::function<bool()>& in_process) {
  if (services_.rights.ThisProcess() == TClockRight::kHeld) {
    return in_process() ? TStepResult::kDone : TStepResult::kFailed;
  }
  const std::string arguments = argument.empty() ? switch_text : switch_text + " " + argument;
  const platform::TElevatedRun run = services_.rights.RunElevated(
      services_.executable_path, arguments, exe_dir + services_.path_delimiter);
  if (run.outcome == TElevation::kRefused) return TStepResult::kRefused;
  return run.outcome == TElevation::kEnded && run.exit_code == static_cast<uint32_t>(kExitDone)
             ? TStepResult::kDone
             : TStepResult::kFailed;
}

void TKestrumForm::ArrangeLogonRun(const std::string& target, const std::string& delay_ms,
                                   const std::string& name) {
  switch (services_.rights.LogonRun()) {
    case TClockRight::kHeld:
      return;
    case TClockRight::kNeedsElevation:
      RegisterLogonTask(target, delay_ms, name);
      return;
    case TClockRight::kNeedsGrant:
      OfferClockRight();
      return;
  }
}

void TKestrumForm::RegisterLogonTask(const std::string& target, const std::string& delay_ms,
                                     const std::string& name) {
  // A task of an earlier pick takes the new delay without asking again.
  if (!services_.tasks.Exists(name) &&
      !services_.widgets.AskYesNo(kRightsCaption, kLogonTaskQuestion)) {
    ShowStatus(kLogonRunLacksRight);
    return;
  }
  const std::string arguments = std::string(kUnattendedSwitch) + " " + delay_ms;
  switch (AdministrativeStep(kRegisterTaskSwitch, delay_ms,
                             [&] { return services_.tasks.Register(name, target, arguments); })) {
    case TStepResult::kDone:
      // One logon run, not two.
      DeleteStartupShortcut(target, name, platform::kCsidlStartup);
      ShowStatus(kTaskRegistered);
      return;
    case TStepResult::kRefused:
      ShowStatus(kElevationRefused);
      return;
    case TStepResult::kFailed:
      ShowStatus(kTaskNotRegistered);
      return;
  }
}

void TKestrumForm::OfferClockRight() {
  if (!services_.widgets.AskYesNo(kRightsCaption, kClockRightQuestion)) {
    ShowStatus(kLogonRunLacksRight);
    return;
  }
  // The elevated run is an administrator's account: it must be told whose right to add.
  const std::string account = services_.rights.AccountId();
  switch (AdministrativeStep(kGrantRightSwitch, account,
                             [&] { return services_.rights.GrantClockRight(account); })) {
    case TStepResult::kDone:
      ShowStatus(kRightGranted);
      return;
    case TStepResult::kRefused:
      ShowStatus(kElevationRefused);
      return;
    case TStepResult::kFailed:
      ShowStatus(kRightNotGranted);
      return;
  }
}

void TKestrumForm::RemoveLogonTask(const std::string& name) {
  if (!services_.tasks.Exists(name)) return;
  // The user's own token may be enough; elevate only when it is not.
  TStepResult result = TStepResult::kDone;
  if (!services_.tasks.Remove(name)) {
    result =
        AdministrativeStep(kRemoveTaskSwitch, "", [&] { return services_.tasks.Remove(name); });
  }
  ShowStatus(result == TStepResult::kDone      ? kTaskRemoved
             : result == TStepResult::kRefused ? kElevationRefused
                                               : kTaskNotRemoved);
}

void TKestrumForm::OfferElevatedSync() {
  if (services_.rights.ThisProcess() != TClockRight::kNeedsElevation) return;
  if (!services_.widgets.AskYesNo(kRightsCaption, kElevatedSyncQuestion)) return;
  const platform::TElevatedRun run = services_.rights.RunElevated(
      services_.executable_path, std::string(kUnattendedSwitch) + " " + kImmediately,
      exe_dir + services_.path_delimiter);
  if (run.outcome == TElevation::kRefused) {
    ShowStatus(kElevationRefused);
    return;
  }
  if (run.outcome != TElevation::kEnded) {
    ShowStatus(kCannotCorrect);
    return;
  }
  switch (static_cast<int>(run.exit_code)) {
    case kExitDone:
      // The elevated run measured afresh and set the clock: nothing is left to apply.
      offset_hundredths = 0;
      ShowStatus(kElevatedSyncDone);
      return;
    case kExitCannotObtain:
      ShowStatus(kCannotObtain);
      return;
    default:
      ShowStatus(kCannotCorrect);
      return;
  }
}

}  // namespace kestrum::app
