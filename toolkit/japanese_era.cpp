#include "toolkit/japanese_era.h"

namespace kestrum::toolkit {
namespace {

constexpr TJapaneseEra kEras[] = {
    {"明治", "明", 'M', {1868, 9, 8}},   {"大正", "大", 'T', {1912, 7, 30}},
    {"昭和", "昭", 'S', {1926, 12, 25}}, {"平成", "平", 'H', {1989, 1, 8}},
    {"令和", "令", 'R', {2019, 5, 1}},
};

bool StartsOnOrBefore(const base::TDate& start, const base::TDate& date) {
  if (start.year != date.year) return start.year < date.year;
  if (start.month != date.month) return start.month < date.month;
  return start.day <= date.day;
}

}  // namespace

std::span<const TJapaneseEra> JapaneseEras() { return kEras; }

const TJapaneseEra* EraOfDate(const base::TDate& date) {
  const TJapaneseEra* found = nullptr;
  for (const TJapaneseEra& era : kEras) {
    if (StartsOnOrBefore(era.start, date)) found = &era;
  }
  return found;
}

int YearOfEra(const TJapaneseEra& era, int year) { return year - era.start.year + 1; }

}  // namespace kestrum::toolkit
