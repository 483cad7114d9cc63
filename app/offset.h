#pragma once
// The offset of the local clock as the acquisition measures it and the correction applies it:
// hundredths of a second, shown and stepped in whole seconds.

#include "base/datetime.h"
#include "lib/libadd_number.h"

namespace kestrum::app {

constexpr long double kHundredthsPerSecond = 100;
constexpr double kHundredthsPerDay = base::kSecsPerDay * kHundredthsPerSecond;

// The whole seconds of an offset in hundredths, cut toward zero (-0.5 s is 0 s, not -0).
inline long long WholeSeconds(double offset_hundredths) {
  return static_cast<long long>(lib::TruncateDigits(offset_hundredths / kHundredthsPerSecond, 0));
}

}  // namespace kestrum::app
