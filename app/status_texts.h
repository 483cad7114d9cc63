#pragma once
// Status texts that more than one step of the main window shows, or that a reader of the
// status line outside the window (the benchmark) compares.

namespace kestrum::app {

// After a failed acquisition, and the correction's report when there is no time to apply.
constexpr char kCannotObtain[] = "時刻を取得できません";
// The acquisition's success, by SNTP and by the Time protocol.
constexpr char kObtainedSntp[] = "時刻を取得しました.";
constexpr char kObtainedTime[] = "時刻を取得しました..";
// A clock write refused for want of the right.
constexpr char kCannotCorrect[] = "時刻を修正できません";

// The logon run and the rights it needs (start-up row, and 誤差設定 run as administrator).
constexpr char kTaskRegistered[] = "ログオン時の自動設定をタスクに登録しました";
// The user said No to the task or to the grant.
constexpr char kLogonRunLacksRight[] = "ログオン時は権限がなく時刻を修正できません";
constexpr char kTaskNotRegistered[] = "タスクを登録できません";
constexpr char kTaskRemoved[] = "タスクを削除しました";
constexpr char kTaskNotRemoved[] = "タスクを削除できません";
constexpr char kElevationRefused[] = "管理者として実行できませんでした";
constexpr char kRightGranted[] = "権限を与えました（次回のログオンから有効）";
constexpr char kRightNotGranted[] = "権限を与えられません";
constexpr char kElevatedSyncDone[] = "管理者として時刻を合わせました";

}  // namespace kestrum::app
