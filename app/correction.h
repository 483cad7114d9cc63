#pragma once
// The correction behind 誤差設定: step the local clock by the whole seconds of the offset the
// last acquisition measured, and say how it went.

#include <cstdint>
#include <string>

#include "app/progress_window.h"
#include "platform/clock.h"

namespace kestrum::app {

// The main window as the correction sees it: the host and offset boxes and the status line.
class TCorrectionView {
 public:
  virtual ~TCorrectionView() = default;
  virtual std::string HostText() const = 0;
  virtual std::string OffsetText() const = 0;
  virtual void ShowStatus(const std::string& text) = 0;
};

// What the last report said.
enum class TCorrectionReport { kNoTime, kTimeCorrect, kCorrected, kRefused };

class TCorrection {
 public:
  TCorrection(TCorrectionView& view, TProgressWindow& progress, platform::TClockPort& clock);

  // Steps the clock by `offset_hundredths` (hundredths of a second; positive: the clock is
  // behind) when its whole seconds are not 0, and reports. Returns the offset still to apply:
  // 0 once the clock was written, the same offset when nothing was written.
  double Run(double offset_hundredths);
  TCorrectionReport Report() const { return report_; }

  // Write one half of the local clock record; false when the platform refuses.
  bool SetClockDate(uint16_t year, uint8_t month, uint8_t day);
  bool SetClockTime(uint8_t hour, uint8_t minute, uint8_t second, uint16_t millisecond);

 private:
  void ShowStatus(const std::string& text);

  TCorrectionView& view_;
  TProgressWindow& progress_;
  platform::TClockPort& clock_;
  TCorrectionReport report_ = TCorrectionReport::kNoTime;
};

}  // namespace kestrum::app
