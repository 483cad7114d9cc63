#pragma once
// Status texts that more than one step of the main window shows.

namespace kestrum::app {

// After a failed acquisition, and the correction's report when there is no time to apply.
constexpr char kCannotObtain[] = "時刻を取得できません";

}  // namespace kestrum::app
