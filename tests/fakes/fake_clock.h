#pragma once
// Virtual time for tests: a settable local clock (UTC = local - utc_bias), a tick counter, and
// Sleep that advances both instead of sleeping. Writes are recorded and can be refused.
// Hand it to whatever takes a clock or ticks. Also a fixed time zone (Japan unless told otherwise).

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/datetime.h"
#include "platform/clock.h"
#include "platform/ticks.h"
#include "platform/timezone.h"
#include "platform/wait.h"

namespace kestrum::fakes {

class TFakeClock final : public platform::TClockPort, public platform::TTickPort {
 public:
  explicit TFakeClock(base::TDateTime local_now = base::EncodeDate(2026, 12, 8) + 0.5)
      : local_now_(local_now) {}

  base::TDateTime local_now() const { return local_now_; }
  void set_local_now(base::TDateTime value) { local_now_ = value; }
  // Advances the clocks and the tick counter.
  void Advance(uint32_t milliseconds) {
    local_now_ += milliseconds / base::kMSecsPerDay;
    ticks_ += milliseconds;
  }
  // Another component's wait of `milliseconds`: passes in slices with `hook` called between.
  void Wait(uint32_t milliseconds, platform::TWaitHook hook) {
    for (uint32_t left = milliseconds; left > 0;) {
      const uint32_t step = std::min(left, platform::kWaitSliceMs);
      Advance(step);
      left -= step;
      if (left > 0 && hook) hook();
    }
  }
  void set_ticks(uint32_t ticks) { ticks_ = ticks; }
  // Days added to local time to give UTC (Japan: -9 hours).
  void set_utc_bias(double days) { utc_bias_ = days; }
  void refuse_writes(bool refuse) { refuse_writes_ = refuse; }

  const std::vector<base::TSystemTime>& local_writes() const { return local_writes_; }
  const std::vector<base::TSystemTime>& utc_writes() const { return utc_writes_; }
  const std::vector<uint32_t>& sleeps() const { return sleeps_; }

  base::TSystemTime GetLocalTime() override { return base::DateTimeToSystemTime(local_now_); }
  bool SetLocalTime(const base::TSystemTime& time) override {
    local_writes_.push_back(time);
    if (refuse_writes_) return false;
    local_now_ = base::SystemTimeToDateTime(time);
    return true;
  }
  base::TSystemTime GetSystemTime() override {
    return base::DateTimeToSystemTime(local_now_ + utc_bias_);
  }
  bool SetSystemTime(const base::TSystemTime& time) override {
    utc_writes_.push_back(time);
    if (refuse_writes_) return false;
    local_now_ = base::SystemTimeToDateTime(time) - utc_bias_;
    return true;
  }
  uint32_t GetTickCount() override { return ticks_; }
  void Sleep(uint32_t milliseconds) override {
    sleeps_.push_back(milliseconds);
    Advance(milliseconds);
  }

 private:
  base::TDateTime local_now_;
  uint32_t ticks_ = 1000;
  double utc_bias_ = -0.375;
  bool refuse_writes_ = false;
  std::vector<base::TSystemTime> local_writes_;
  std::vector<base::TSystemTime> utc_writes_;
  std::vector<uint32_t> sleeps_;
};

class TFixedTimeZone final : public platform::TTimeZonePort {
 public:
  explicit TFixedTimeZone(platform::TTimeZoneInfo info = {platform::TTimeZoneInfo::TState::kUnknown,
                                                          kJapanBias, 0, 0})
      : info_(info) {}
  platform::TTimeZoneInfo GetTimeZoneInformation() override { return info_; }

  static constexpr int32_t kJapanBias = -540;  // minutes

 private:
  platform::TTimeZoneInfo info_;
};

}  // namespace kestrum::fakes
