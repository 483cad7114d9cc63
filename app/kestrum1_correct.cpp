// Clock correction: step the local clock by the offset the last acquisition measured.
#include <string>

#include "app/kestrum1.h"
#include "app/status_texts.h"
#include "base/datetime.h"
#include "lib/libadd_number.h"
#include "platform/clock.h"

namespace kestrum::app {
namespace {

constexpr long double kHundredthsPerSecond = 100;
constexpr double kHundredthsPerDay = base::kSecsPerDay * kHundredthsPerSecond;

constexpr char kTimeCorrect[] = "時刻は正常です";
constexpr char kCorrectedPrefix[] = "時刻を ";
constexpr char kCorrectedSuffix[] = "秒 修正しました";
constexpr char kCannotCorrect[] = "時刻を修正できません";

}  // namespace

bool TKestrumForm::SetClockDate(uint16_t year, uint8_t month, uint8_t day) {
  base::TSystemTime record = Clock().GetLocalTime();
  record.wYear = year;
  record.wMonth = month;
  record.wDay = day;
  return Clock().SetLocalTime(record);
}

bool TKestrumForm::SetClockTime(uint8_t hour, uint8_t minute, uint8_t second,
                                uint16_t millisecond) {
  base::TSystemTime record = Clock().GetLocalTime();
  record.wHour = hour;
  record.wMinute = minute;
  record.wSecond = second;
  record.wMilliseconds = millisecond;
  return Clock().SetLocalTime(record);
}

void TKestrumForm::btn_setClick() {
  EnableControls(false);
  progress_->EnableCancel(false);

  const long long whole_seconds =
      static_cast<long long>(lib::TruncateDigits(offset_hundredths / kHundredthsPerSecond, 0));
  bool written = true;
  if (whole_seconds != 0) {
    const base::TDateTime now = base::SystemTimeToDateTime(Clock().GetLocalTime());
    const base::TSystemTime t =
        base::DateTimeToSystemTime(now + offset_hundredths / kHundredthsPerDay);
    // Date first, then the time of day: two writes, as the clock record is replaced piecewise.
    written = SetClockDate(t.wYear, static_cast<uint8_t>(t.wMonth), static_cast<uint8_t>(t.wDay));
    written = SetClockTime(static_cast<uint8_t>(t.wHour), static_cast<uint8_t>(t.wMinute),
                           static_cast<uint8_t>(t.wSecond), t.wMilliseconds) &&
              written;
    // The clock now is right: applying the same offset again would put it wrong.
    if (written) offset_hundredths = 0;
  }

  if (edt_hostname->Text().empty() || edt_offset->Text().empty()) {
    ShowStatus(kCannotObtain);
  } else if (whole_seconds == 0) {
    ShowStatus(kTimeCorrect);
  } else if (!written) {
    ShowStatus(kCannotCorrect);
  } else {
    ShowStatus(kCorrectedPrefix + std::to_string(whole_seconds) + kCorrectedSuffix);
  }

  EnableControls(true);
  if (!unattended) btn_set->SetFocus();
}

void TKestrumForm::btn_syncClick() {
  btn_getClick();
  btn_setClick();
  if (!unattended) btn_sync->SetFocus();
}

}  // namespace kestrum::app
