#pragma once
// The format settings every date and number conversion reads. Defaults are those of a Japanese
// user, with the short date format the edit controls set.

#include <array>
#include <string>

namespace kestrum::toolkit {

struct TFormatSettings {
  std::string ShortDateFormat = "yyyy/mm/dd";
  std::string LongDateFormat = "yyyy'年'm'月'd'日'";
  std::string ShortTimeFormat = "H:mm";
  std::string LongTimeFormat = "H:mm:ss";
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  std::string TimeAMString = "午前";
  std::string TimePMString = "午後";
  // Index 0 = January / Sunday.
  std::array<std::string, 12> ShortMonthNames{"1月", "2月", "3月", "4月",  "5月",  "6月",
                                              "7月", "8月", "9月", "10月", "11月", "12月"};
  std::array<std::string, 12> LongMonthNames = ShortMonthNames;
  std::array<std::string, 7> ShortDayNames{"日", "月", "火", "水", "木", "金", "土"};
  std::array<std::string, 7> LongDayNames{"日曜日", "月曜日", "火曜日", "水曜日",
                                          "木曜日", "金曜日", "土曜日"};
};

// The settings of the application in force (Application().FormatSettings()); changes are seen
// by every later conversion.
TFormatSettings& FormatSettings();

}  // namespace kestrum::toolkit
