#pragma once
// Text and date helpers on Shift-JIS texts: a search that keeps to character boundaries,
// blank trimming, removal of double-byte characters and of a text, the Showa 64 era rewrite,
// and "yyyy/mm/dd" date texts. Positions are 1-based bytes; 0 means "not found".

#include <string>
#include <string_view>

namespace kestrum::lib {

// First occurrence of `needle` that begins and ends on the same kind of byte (single, lead,
// trail) as the needle does; 0 when there is none or either text is empty.
int DbcsPos(std::string_view needle, std::string_view text);

// Removes half-width and full-width blanks from the left ("L"/"l" in `sides`), the right
// ("R"/"r"), or both (empty `sides`).
std::string TrimSpaces(std::string_view text, std::string_view sides);

// Every double-byte character removed (a lead byte left alone at the end with it).
std::string DeleteDbcs(std::string_view text);

// Every occurrence of `needle` found by DbcsPos cut out.
std::string DeleteAll(std::string_view needle, std::string_view text);

// Showa 64 (which lasted one week) becomes Heisei 1: "昭"->"平", "和"->"成", and "64" -> "01"
// when `pattern` holds "ee", else "1". Texts without both "昭" and "64" are returned as they are.
std::string ShowaToHeisei(std::string_view date_text, std::string_view pattern);

// Last day of the month of a "year/month/..." text, as "yyyy/mm/dd". Sets the short date
// format to "yyyy/mm/dd". Throws EConvertError when year or month is not a number.
std::string MonthEndDate(std::string_view date_text);

// "yyyy/mm/dd" of a date whose month may lie outside 1-12 (carried into the year) and whose
// day is lowered to the month's last. A day that does not convert (0 or negative) gives the
// month's last day. The date goes through its text, so a year of one or two digits is read as
// 2000 + year, and one outside 1-9999 throws EConvertError. Sets the short date format to
// "yyyy/mm/dd".
std::string MakeDateText(int year, int month, int day);

}  // namespace kestrum::lib
