#pragma once
// Status texts that more than one step of the main window shows, or that a reader of the
// status line outside the window (the benchmark) compares.

namespace kestrum::app {

// After a failed acquisition, and the correction's report when there is no time to apply.
constexpr char kCannotObtain[] = "時刻を取得できません";
// The acquisition's success, by SNTP and by the Time protocol.
constexpr char kObtainedSntp[] = "時刻を取得しました.";
constexpr char kObtainedTime[] = "時刻を取得しました..";

}  // namespace kestrum::app
