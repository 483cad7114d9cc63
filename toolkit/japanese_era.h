#pragma once
// The Japanese eras from Meiji on, for era names and years of era in date texts.

#include <span>
#include <string_view>

#include "base/datetime.h"

namespace kestrum::toolkit {

struct TJapaneseEra {
  std::string_view name;     // "平成"
  std::string_view initial;  // "平"
  char letter;               // 'H'
  base::TDate start;         // first day of the era
};

// Oldest first.
std::span<const TJapaneseEra> JapaneseEras();

// The era a date belongs to; nullptr before the first era began.
const TJapaneseEra* EraOfDate(const base::TDate& date);

// Year of era, 1 in the era's first calendar year.
int YearOfEra(const TJapaneseEra& era, int year);

}  // namespace kestrum::toolkit
