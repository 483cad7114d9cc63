#pragma once
// The command line: switches in the first argument, start delay or progress colour in the
// second. All switch tests are case-sensitive substring tests.

#include <cstdint>
#include <optional>
#include <string_view>

#include "toolkit/ctl_graphics.h"

namespace kestrum::app {

// Yellow, the progress window's colour unless the second argument names another.
constexpr toolkit::TColor kDefaultProgressColor = 0x0000FFFF;
// Added to the start delay before the timer fires (milliseconds).
constexpr uint32_t kStartDelayPaddingMs = 100;

// The unattended run's switch, as the start-up entry writes it.
constexpr char kUnattendedSwitch[] = "/S";

// Runs of the program by itself with an administrator's rights, one step each, no window.
// Compared whole; none holds "/S" or "/s", so none is taken for an unattended run.
// Second argument: the delay in milliseconds.
constexpr char kRegisterTaskSwitch[] = "/TASK";
constexpr char kRemoveTaskSwitch[] = "/UNTASK";
// Second argument: the account's identity.
constexpr char kGrantRightSwitch[] = "/GRANT";

// Exit codes of a run: the unattended one says how its correction went, a helper run whether
// its step was done.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCannotCorrect = 2;
constexpr int kExitCannotObtain = 3;

// "/S" or "/s" anywhere in the first argument.
bool RequestsUnattended(std::string_view first);

struct TProtocols {
  bool sntp = true;
  bool rfc868 = true;
};
// "/SU" or "/su": SNTP only; "/ST" or "/st" (winning over the first): Time protocol only.
TProtocols SelectProtocols(std::string_view first);

// Timer interval of an unattended start: the whole milliseconds of the second argument
// (negative ones count as 0) plus the padding.
uint32_t StartTimerInterval(std::string_view second);

// The colour the second argument names, when it is not empty and its numeric value is 0;
// none otherwise. Throws EConvertError for a text that is neither a colour nor a number.
std::optional<toolkit::TColor> ProgressColorArgument(std::string_view second);

}  // namespace kestrum::app
