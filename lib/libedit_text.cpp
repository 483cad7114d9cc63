// The edit control's text operations: formatting by type, bounds, value texts and patterns.
#include <cmath>

#include "base/errors.h"
#include "base/sjis_bytes.h"
#include "lib/libadd_number.h"
#include "lib/libadd_text.h"
#include "lib/libedit.h"
#include "lib/libjcode.h"
#include "toolkit/dateformat.h"
#include "toolkit/floatformat.h"

namespace kestrum::lib {
namespace {

// Numbers beyond this magnitude are not taken: the field falls back to its entry text.
constexpr long double kNumberLimit = 5e11L;
// Any date will do: only the time behind it is checked.
constexpr std::string_view kTimeCheckDate = "01/01/01 ";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsPatternDigit(char c) { return c == '#' || IsDigit(c); }

void TrimTrailing(std::string& text, std::string_view chars) {
  while (!text.empty() && chars.find(text.back()) != std::string_view::npos) text.pop_back();
}

// The last `max_length` bytes when longer (numbers keep their low digits).
void KeepLast(std::string& text, int max_length) {
  const auto limit = static_cast<size_t>(max_length);
  if (max_length > 0 && text.size() > limit) text.erase(0, text.size() - limit);
}

void KeepFirst(std::string& text, int max_length) {
  const auto limit = static_cast<size_t>(max_length);
  if (max_length > 0 && text.size() > limit) text.resize(limit);
}

// `digits` (at most as many as the run is long) as the run formats them as a number. A run
// of "#" and "0" is done digit by digit, exact at any length: "0" forces a digit from its
// place on. Runs holding other digits, which the number format copies as text, go through it.
std::string FormatDigitRun(const std::string& digits, std::string_view run) {
  if (run.find_first_not_of("#0") != std::string_view::npos) {
    long double value = 0;
    if (digits.empty() || !toolkit::TryTextToFloat(digits, value)) value = 0;
    return toolkit::FormatFloat(run, value);
  }
  const size_t first_zero = run.find('0');
  const size_t forced = first_zero == std::string_view::npos ? 0 : run.size() - first_zero;
  const size_t significant = digits.find_first_not_of('0');
  std::string out = significant == std::string::npos ? "" : digits.substr(significant);
  if (out.size() < forced) out.insert(0, forced - out.size(), '0');
  return out;
}

// Holds a bound empty while the text it sets is checked again, and puts it back after.
class TBoundHold {
 public:
  explicit TBoundHold(std::string& slot) : slot_(slot), saved_(std::move(slot)) { slot_.clear(); }
  ~TBoundHold() { slot_ = std::move(saved_); }
  TBoundHold(const TBoundHold&) = delete;
  TBoundHold& operator=(const TBoundHold&) = delete;

 private:
  std::string& slot_;
  std::string saved_;
};

}  // namespace

long double TLibEdit::NumberOf(std::string_view plain) {
  try {
    return NumberPart(plain);
  } catch (const base::EConvertError&) {
    return HUGE_VALL;
  }
}

std::string TLibEdit::PlainNumber(std::string_view text) const {
  std::string plain = CleanNumber(text);
  if (edit_type_ == TEditType::NuminNo || edit_type_ == TEditType::StrinNo ||
      edit_type_ == TEditType::Codein) {
    plain = DeleteAll("-", plain);
  }
  return plain;
}

std::string TLibEdit::FillPattern(std::string_view text, std::string_view pattern) {
  std::string out;
  size_t from = 0;
  for (size_t i = 0; i < pattern.size();) {
    if (!IsPatternDigit(pattern[i])) {
      // Literal characters are copied whole, a double-byte one with its trail byte.
      const size_t width =
          base::IsLeadByte(static_cast<unsigned char>(pattern[i])) && i + 1 < pattern.size() ? 2
                                                                                             : 1;
      out.append(pattern.substr(i, width));
      i += width;
      continue;
    }
    size_t run_end = i;
    while (run_end < pattern.size() && IsPatternDigit(pattern[run_end])) ++run_end;
    const std::string_view run = pattern.substr(i, run_end - i);
    i = run_end;
    while (from < text.size() && !IsDigit(text[from])) {
      from += base::IsLeadByte(static_cast<unsigned char>(text[from])) ? 2 : 1;
    }
    std::string digits;
    while (from < text.size() && IsDigit(text[from]) && digits.size() < run.size()) {
      digits += text[from++];
    }
    out += FormatDigitRun(digits, run);
  }
  return out;
}

std::string TLibEdit::ConvertByExitMode(std::string_view text) const {
  std::string converted(text);
  if (exit_mode_ == TExitMode::Zenkaku) {
    converted = ToFullWidth(text, kBothGroups);
  } else if (exit_mode_ == TExitMode::Hankaku) {
    converted = DeleteDbcs(ToHalfWidth(ToKatakana(text), kBothGroups));
  }
  return TrimSpaces(converted, "R");
}

std::string TLibEdit::FormatNumber(const std::string& text) {
  const long double value = NumberOf(PlainNumber(text));
  std::string result = std::isfinite(value) ? toolkit::FormatFloat(using_text_, value) : "E";
  if (result.starts_with(".")) {
    result.insert(0, "0");
  } else if (result.starts_with("-.")) {
    result.insert(1, "0");
  }
  if (result.find('E') != std::string::npos || std::fabs(value) > kNumberLimit) {
    Beep();
    result = enter_text_;
  }
  KeepLast(result, MaxLength());
  return result;
}

std::string TLibEdit::FormatDate(std::string_view text) {
  const std::string date_text = ParseDate(text);
  if (date_value_ == kNoValidDate) return {};
  try {
    return ShowaToHeisei(toolkit::FormatDateTime(using_text_, toolkit::TextToDate(date_text)),
                         using_text_);
  } catch (const base::EConvertError&) {
    return {};
  }
}

std::string TLibEdit::FormatTime(std::string text) {
  if (edit_type_ == TEditType::Timein) {
    base::TDateTime checked = 0;
    const std::string probe = std::string(kTimeCheckDate) + FillPattern(text, using_text_);
    if (!toolkit::TryTextToDateTime(probe, checked)) {
      Beep();
      text = enter_text_;
    }
  }
  std::string result;
  if (NumberOf(PlainNumber(text)) != 0) result = FillPattern(text, using_text_);
  KeepFirst(result, MaxLength());
  return result;
}

std::string TLibEdit::FormatByType(std::string_view given) {
  std::string text = ConvertByExitMode(given);
  switch (edit_type_) {
    case TEditType::Strin: {
      if (MaxLength() != 0 && byte_limit_ == 0) byte_limit_ = MaxLength();
      const auto limit = static_cast<size_t>(byte_limit_);
      if (byte_limit_ > 0 && text.size() >= limit) {
        // Never half a character: a lead byte at the limit goes with its trail byte.
        const bool lead_at_limit = base::ByteTypeAt(text, limit - 1) == base::TByteType::mbLeadByte;
        text.resize(lead_at_limit ? limit - 1 : limit);
      }
      return text;
    }
    case TEditType::Numin:
    case TEditType::NuminNo:
      return FormatNumber(text);
    case TEditType::Codein: {
      std::string result = FillPattern(text, using_text_);
      KeepLast(result, MaxLength());
      return result;
    }
    case TEditType::Dayin:
    case TEditType::DayinWa:
    case TEditType::DayinBi:
      return FormatDate(text);
    case TEditType::StrinNo: {
      const long double n = NumberOf(PlainNumber(text));
      std::string result;
      if (n != 0) {
        result = FillPattern(text, using_text_);
      } else {
        result = toolkit::FormatFloat(using_text_, 0);
        for (char& c : result) {
          if (c == '0') c = ' ';
        }
      }
      TrimTrailing(result, " .-");
      KeepFirst(result, MaxLength());
      return result;
    }
    case TEditType::Timein:
    case TEditType::TimeinH:
      return FormatTime(text);
  }
  return text;
}

std::string TLibEdit::ValueText(std::string_view text) {
  switch (edit_type_) {
    case TEditType::Numin:
    case TEditType::NuminNo:
    case TEditType::Codein: {
      const long double value = NumberOf(PlainNumber(text));
      if (!std::isfinite(value)) return "0";
      return PlainNumber(toolkit::FormatFloat(using_text_, value));
    }
    case TEditType::Dayin:
    case TEditType::DayinWa:
    case TEditType::DayinBi: {
      std::string date_text = ParseDate(text);
      return date_value_ == kNoValidDate ? std::string() : date_text;
    }
    default:
      return std::string(text);
  }
}

std::string TLibEdit::ExitText() { return ValueText(FormatByType(Text())); }

int TLibEdit::CompareForBounds(const std::string& a, const std::string& b) {
  if (IsNumberType()) {
    const long double x = NumberOf(PlainNumber(a)), y = NumberOf(PlainNumber(b));
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (IsDateType()) {
    // Era names do not sort in date order as bytes: read both as dates. No valid date reads
    // as the marker, below every date.
    ParseDate(a);
    const base::TDateTime x = date_value_;
    ParseDate(b);
    const base::TDateTime y = date_value_;
    return x < y ? -1 : x > y ? 1 : 0;
  }
  return a < b ? -1 : a > b ? 1 : 0;
}

bool TLibEdit::BelowBound(const std::string& working, const std::string& bound) {
  if (IsNumberType() || IsDateType()) return CompareForBounds(working, bound) < 0;
  return working < FormatByType(bound);
}

bool TLibEdit::AboveBound(const std::string& working, const std::string& bound) {
  if (IsNumberType() || IsDateType()) return CompareForBounds(working, bound) > 0;
  return working > FormatByType(bound);
}

void TLibEdit::ApplyBound(std::string& working, std::string& bound_slot) {
  const std::string bound = bound_slot;
  if (field_ == nullptr) {
    if (Text() != bound) {
      TBoundHold hold(bound_slot);
      SetText(bound);
    }
    // The text handed in is replaced even when the control already shows the bound.
    working = bound;
    return;
  }
  if (!field_->Editing()) return;
  if (FormatByType(field_->Text()) != FormatByType(bound)) Beep();
  if (field_->Text() != bound) {
    TBoundHold hold(bound_slot);
    field_->SetText(bound);
  }
  // Also when the field already holds the bound: the text handed in is out of bounds.
  working = field_->Text();
}

void TLibEdit::SwapBoundsIfCrossed() {
  if (exit_min_chk_.empty() || exit_max_chk_.empty() ||
      CompareForBounds(exit_min_chk_, exit_max_chk_) <= 0) {
    return;
  }
  Beep();
  std::swap(exit_min_chk_, exit_max_chk_);
}

std::string TLibEdit::NormalizeText(std::string_view text) {
  std::string working = FormatByType(text);
  SwapBoundsIfCrossed();
  if (!exit_min_chk_.empty() && BelowBound(working, exit_min_chk_)) {
    ApplyBound(working, exit_min_chk_);
  }
  if (!exit_max_chk_.empty() && AboveBound(working, exit_max_chk_)) {
    ApplyBound(working, exit_max_chk_);
  }
  return FormatByType(working);
}

std::string TLibEdit::StoredBound(const std::string& value) {
  std::string bound = IsDateType() ? ParseDate(value) : value;
  if (FormatByType(bound).empty()) bound.clear();
  return bound;
}

void TLibEdit::SetExitMinChk(const std::string& value) {
  if (value == exit_min_chk_) return;
  exit_min_chk_ = StoredBound(value);
}

void TLibEdit::SetExitMaxChk(const std::string& value) {
  if (value == exit_max_chk_) return;
  exit_max_chk_ = StoredBound(value);
}

}  // namespace kestrum::lib
