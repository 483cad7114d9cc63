#include "app/correction.h"

#include "app/offset.h"
#include "app/status_texts.h"
#include "base/datetime.h"
#include "toolkit/ctl_form.h"

namespace kestrum::app {
namespace {

constexpr char kTimeCorrect[] = "時刻は正常です";
constexpr char kCorrectedPrefix[] = "時刻を ";
constexpr char kCorrectedSuffix[] = "秒 修正しました";

}  // namespace

TCorrection::TCorrection(TCorrectionView& view, TProgressWindow& progress,
                         platform::TClockPort& clock)
    : view_(view), progress_(progress), clock_(clock) {}

bool TCorrection::SetClockDate(uint16_t year, uint8_t month, uint8_t day) {
  base::TSystemTime record = clock_.GetLocalTime();
  record.wYear = year;
  record.wMonth = month;
  record.wDay = day;
  return clock_.SetLocalTime(record);
}

bool TCorrection::SetClockTime(uint8_t hour, uint8_t minute, uint8_t second, uint16_t millisecond) {
  base::TSystemTime record = clock_.GetLocalTime();
  record.wHour = hour;
  record.wMinute = minute;
  record.wSecond = second;
  record.wMilliseconds = millisecond;
  return clock_.SetLocalTime(record);
}

double TCorrection::Run(double offset_hundredths) {
  progress_.EnableCancel(false);

  const long long whole_seconds = WholeSeconds(offset_hundredths);
  bool written = true;
  if (whole_seconds != 0) {
    const base::TDateTime now = base::SystemTimeToDateTime(clock_.GetLocalTime());
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

  if (view_.HostText().empty() || view_.OffsetText().empty()) {
    report_ = TCorrectionReport::kNoTime;
    ShowStatus(kCannotObtain);
  } else if (whole_seconds == 0) {
    report_ = TCorrectionReport::kTimeCorrect;
    ShowStatus(kTimeCorrect);
  } else if (!written) {
    report_ = TCorrectionReport::kRefused;
    ShowStatus(kCannotCorrect);
  } else {
    report_ = TCorrectionReport::kCorrected;
    ShowStatus(kCorrectedPrefix + std::to_string(whole_seconds) + kCorrectedSuffix);
  }
  return offset_hundredths;
}

void TCorrection::ShowStatus(const std::string& text) {
  view_.ShowStatus(text);
  progress_.ShowStatus(text);
  toolkit::Application().ProcessMessages();
}

}  // namespace kestrum::app
