// Text operations of the edit control on arbitrary bytes, on a fixed day: FillPattern keeps
// the pattern's shape, ParseDate always gives a date text inside the field's years (or the
// no-date marker) that agrees with DateValue, free text is cut to the byte limit without
// splitting a character, and FormatByType / NormalizeText / ValueText run for every type.
//
// Input: control byte (type, exit mode), byte limit, the text, a zero byte, then a second text
// used as pattern and as lower bound.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "base/sjis_bytes.h"
#include "fuzz/fuzz_check.h"
#include "lib/libadd_text.h"
#include "lib/libedit.h"
#include "platform/clock.h"
#include "toolkit/dateformat.h"

using namespace kestrum::base;
using namespace kestrum::toolkit;
using namespace kestrum::lib;

namespace {

constexpr int kTypes = 10;
constexpr int kExitModes = 3;
constexpr int kByteLimits = 32;
constexpr std::string_view kMarkerText = "1867/12/31";

// Tuesday 2026-12-08, noon: relative entry never depends on the day the fuzzer runs.
class TFixedClock final : public kestrum::platform::TClockPort {
 public:
  kestrum::base::TSystemTime GetLocalTime() override { return {2026, 12, 2, 8, 12, 0, 0, 0}; }
  bool SetLocalTime(const kestrum::base::TSystemTime&) override { return false; }
  kestrum::base::TSystemTime GetSystemTime() override { return GetLocalTime(); }
  bool SetSystemTime(const kestrum::base::TSystemTime&) override { return false; }
};

// A pattern of "0" runs and "-" only: the output has the pattern's length and its "-" places.
void CheckZeroPattern(std::string_view text, std::string_view seed) {
  std::string pattern;
  for (char c : seed) pattern += static_cast<uint8_t>(c) % 3 == 0 ? '-' : '0';
  const std::string out = TLibEdit::FillPattern(text, pattern);
  FUZZ_CHECK(out.size() == pattern.size(), "FillPattern gave %zu bytes for a %zu-byte pattern",
             out.size(), pattern.size());
  for (size_t i = 0; i < out.size(); ++i) {
    FUZZ_CHECK((pattern[i] == '-') == (out[i] == '-') &&
                   (out[i] == '-' || (out[i] >= '0' && out[i] <= '9')),
               "FillPattern byte %zu is '%c' for pattern '%c'", i, out[i], pattern[i]);
  }
}

void CheckDate(TLibEdit& edit, std::string_view text) {
  const std::string date = edit.ParseDate(text);
  FUZZ_CHECK(date.size() == 10 && date[4] == '/' && date[7] == '/', "ParseDate gave '%s'",
             date.c_str());
  if (edit.DateValue() == kNoValidDate) {
    FUZZ_CHECK(date == kMarkerText, "no valid date, but '%s'", date.c_str());
    return;
  }
  const int year = std::stoi(date.substr(0, 4));
  FUZZ_CHECK(year >= edit.MinYear() && year <= edit.MaxYear(), "year %d out of range", year);
  FUZZ_CHECK(TextToDate(date) == edit.DateValue(), "'%s' is not DateValue", date.c_str());
}

void CheckFreeText(TLibEdit& edit, std::string_view text, int limit) {
  edit.SetByteLimit(0);
  const std::string whole = edit.FormatByType(text);
  FUZZ_CHECK(whole == TrimSpaces(whole, "R"), "trailing blanks left");
  edit.SetByteLimit(limit);
  const std::string out = edit.FormatByType(text);
  FUZZ_CHECK(whole.starts_with(out), "the cut text is not a prefix of the whole");
  if (limit == 0) {
    FUZZ_CHECK(out == whole, "no limit, yet the text was cut");
    return;
  }
  FUZZ_CHECK(out.size() <= static_cast<size_t>(limit), "%zu bytes over a limit of %d", out.size(),
             limit);
  // Cut short only to keep a character whole.
  if (whole.size() > out.size()) {
    FUZZ_CHECK(out.size() + 1 >= static_cast<size_t>(limit), "cut to %zu under a limit of %d",
               out.size(), limit);
    FUZZ_CHECK(ByteTypeAt(whole, out.size()) != TByteType::mbTrailByte,
               "cut inside a character at %zu", out.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFixedClock clock;
  if (size < 2) return 0;
  const int type = data[0] % kTypes;
  const int exit_mode = data[0] / kTypes % kExitModes;
  const int limit = data[1] % kByteLimits;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const size_t split = rest.find('\0');
  const std::string_view text = rest.substr(0, split);
  const std::string_view second = split == std::string_view::npos ? "" : rest.substr(split + 1);

  CheckZeroPattern(text, second);
  TLibEdit::FillPattern(text, second);

  TLibEdit edit(nullptr, nullptr, clock);
  edit.SetExitMode(static_cast<TExitMode>(exit_mode));
  CheckFreeText(edit, text, limit);
  edit.SetEditType(TEditType::Dayin);
  CheckDate(edit, text);
  edit.SetEditType(TEditType::DayinWa);
  CheckDate(edit, text);

  edit.SetEditType(static_cast<TEditType>(type));
  edit.SetEnterText(std::string(second));
  edit.FormatByType(text);
  edit.ValueText(text);
  edit.SetExitMinChk(std::string(second));
  edit.SetExitMaxChk(std::string(text));
  edit.NormalizeText(text);
  edit.SetUsingText(std::string(second));
  edit.FormatByType(text);
  edit.ValueText(text);
  return 0;
}
