#include "toolkit/floatformat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/errors.h"
#include "base/sjis_bytes.h"
#include "toolkit/formatsettings.h"

namespace kestrum::toolkit {
namespace {

// Decimal digits an extended value carries; pictures round on this form.
constexpr int kSignificantDigits = 18;
// The general form: significant digits, and the exponents from which it turns scientific.
constexpr int kGeneralDigits = 15;
constexpr int kGeneralExponentMax = 15;
constexpr int kGeneralExponentMin = -5;
// From here on a picture would need more digits than the value has.
constexpr long double kPictureLimit = 1e18L;
constexpr size_t kGroupSize = 3;
constexpr size_t kMaxSections = 3;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// value = 0.digits x 10^point; digits is empty for zero.
struct TDigits {
  std::string digits;
  int point = 0;
};

TDigits Decompose(long double magnitude, int significant) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*Le", significant - 1, magnitude);
  TDigits d;
  const char* p = text;
  for (; *p != 'e' && *p != '\0'; ++p) {
    if (IsDigit(*p)) d.digits += *p;
  }
  if (d.digits.find_first_not_of('0') == std::string::npos) return {};
  d.point = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
  return d;
}

// A magnitude rounded half away from zero at `decimals`: integer digits without leading
// zeros, and exactly `decimals` fraction digits.
struct TFixed {
  std::string integer;
  std::string fraction;
  bool IsZero() const {
    return integer.empty() && fraction.find_first_not_of('0') == std::string::npos;
  }
};

void RoundUp(std::string& digits, int& point) {
  size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) {
    digits.insert(0, "1");
    ++point;
  } else {
    ++digits[i - 1];
  }
}

TFixed RoundFixed(long double magnitude, int decimals) {
  const TDigits d = Decompose(magnitude, kSignificantDigits);
  if (d.digits.empty() || d.point < -decimals - 1) return {"", std::string(decimals, '0')};
  std::string all = d.digits;
  int point = d.point;
  if (point <= 0) {
    all.insert(0, static_cast<size_t>(-point), '0');
    point = 0;
  }
  const size_t keep = static_cast<size_t>(point + decimals);
  const bool up = all.size() > keep && all[keep] >= '5';
  all.resize(keep, '0');
  if (up) RoundUp(all, point);
  TFixed f{all.substr(0, static_cast<size_t>(point)), all.substr(static_cast<size_t>(point))};
  f.integer.erase(0, f.integer.find_first_not_of('0'));
  return f;
}

size_t CharLength(std::string_view text, size_t at) {
  return base::IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// End of the quoted literal that opens at `at` (past its closing quote, or the text's end).
size_t QuoteEnd(std::string_view text, size_t at) {
  const size_t close = text.find(text[at], at + 1);
  return close == std::string_view::npos ? text.size() : close + 1;
}

std::vector<std::string_view> SplitSections(std::string_view pattern) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == ';' && sections.size() + 1 < kMaxSections) {
      sections.push_back(pattern.substr(start, i - start));
      start = ++i;
    } else {
      i = c == '\'' || c == '"' ? QuoteEnd(pattern, i) : i + CharLength(pattern, i);
    }
  }
  sections.push_back(pattern.substr(start));
  return sections;
}

struct TShape {
  size_t int_places = 0;
  size_t min_int = 0;
  int frac_places = 0;
  size_t min_frac = 0;
  bool grouping = false;
};

TShape Shape(std::string_view section) {
  TShape s;
  bool in_fraction = false;
  size_t first_zero = std::string_view::npos;
  for (size_t i = 0; i < section.size();) {
    const char c = section[i];
    if (c == '\'' || c == '"') {
      i = QuoteEnd(section, i);
      continue;
    }
    if (c == '.') in_fraction = true;
    if (c == ',' && !in_fraction) s.grouping = true;
    if ((c == '0' || c == '#') && !in_fraction) {
      if (c == '0' && first_zero == std::string_view::npos) first_zero = s.int_places;
      ++s.int_places;
    } else if (c == '0' || c == '#') {
      ++s.frac_places;
      if (c == '0') s.min_frac = static_cast<size_t>(s.frac_places);
    }
    i += CharLength(section, i);
  }
  s.min_int = first_zero == std::string_view::npos ? 0 : s.int_places - first_zero;
  return s;
}

class Renderer {
 public:
  Renderer(const TShape& shape, const TFixed& fixed)
      : shape_(shape), integer_(fixed.integer), fraction_(fixed.fraction) {
    if (integer_.size() < shape.min_int) integer_.insert(0, shape.min_int - integer_.size(), '0');
    while (fraction_.size() > shape.min_frac && fraction_.back() == '0') fraction_.pop_back();
  }

  std::string Run(std::string_view section) {
    for (size_t i = 0; i < section.size();) {
      const char c = section[i];
      if (c == '\'' || c == '"') {
        const size_t end = QuoteEnd(section, i);
        const size_t inner_end = end > i + 1 && section[end - 1] == c ? end - 1 : end;
        out_.append(section.substr(i + 1, inner_end - i - 1));
        i = end;
        continue;
      }
      if (c == '0' || c == '#') {
        Placeholder();
      } else if (c == '.') {
        Point();
      } else if (c != ',') {
        out_.append(section.substr(i, CharLength(section, i)));
      }
      i += CharLength(section, i);
    }
    return std::move(out_);
  }

 private:
  void Placeholder() {
    if (in_fraction_) {
      if (next_fraction_ < fraction_.size()) out_ += fraction_[next_fraction_];
      ++next_fraction_;
      return;
    }
    // Placeholders are filled from the right; the first one takes every surplus digit.
    const long long last = static_cast<long long>(placeholder_++) -
                           static_cast<long long>(shape_.int_places) +
                           static_cast<long long>(integer_.size());
    while (static_cast<long long>(next_integer_) <= last && next_integer_ < integer_.size()) {
      WriteIntegerDigit();
    }
  }

  void Point() {
    if (in_fraction_) return;
    while (next_integer_ < integer_.size()) WriteIntegerDigit();
    in_fraction_ = true;
    if (!fraction_.empty()) out_ += FormatSettings().DecimalSeparator;
  }

  void WriteIntegerDigit() {
    out_ += integer_[next_integer_++];
    const size_t rest = integer_.size() - next_integer_;
    if (shape_.grouping && rest > 0 && rest % kGroupSize == 0) {
      out_ += FormatSettings().ThousandSeparator;
    }
  }

  const TShape& shape_;
  std::string integer_;
  std::string fraction_;
  std::string out_;
  bool in_fraction_ = false;
  size_t placeholder_ = 0;
  size_t next_integer_ = 0;
  size_t next_fraction_ = 0;
};

std::string ScientificText(const TDigits& d, bool negative) {
  std::string out = negative ? "-" : "";
  out += d.digits[0];
  if (d.digits.size() > 1) {
    out += FormatSettings().DecimalSeparator;
    out.append(d.digits, 1);
  }
  return out + "E" + std::to_string(d.point - 1);
}

}  // namespace

std::string FormatFloat(std::string_view pattern, long double value) {
  if (pattern.empty() || !std::isfinite(value) || std::fabs(value) >= kPictureLimit) {
    return FloatToStr(value);
  }
  const std::vector<std::string_view> sections = SplitSections(pattern);
  const bool negative = value < 0;
  size_t index = negative && sections.size() > 1 && !sections[1].empty() ? 1 : 0;
  TShape shape = Shape(sections[index]);
  TFixed fixed = RoundFixed(std::fabs(value), shape.frac_places);
  if (fixed.IsZero() && sections.size() > 2 && !sections[2].empty()) {
    index = 2;
    shape = Shape(sections[index]);
    fixed = RoundFixed(std::fabs(value), shape.frac_places);
  }
  std::string text = Renderer(shape, fixed).Run(sections[index]);
  if (negative && index == 0 && !fixed.IsZero()) text.insert(0, "-");
  return text;
}

std::string FloatToStr(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  TDigits d = Decompose(std::fabs(value), kGeneralDigits);
  if (d.digits.empty()) return "0";
  d.digits.erase(d.digits.find_last_not_of('0') + 1);
  const int exponent = d.point - 1;
  if (exponent >= kGeneralExponentMax || exponent < kGeneralExponentMin) {
    return ScientificText(d, value < 0);
  }
  std::string out = value < 0 ? "-" : "";
  const char point = FormatSettings().DecimalSeparator;
  if (d.point <= 0) {
    return out + "0" + point + std::string(static_cast<size_t>(-d.point), '0') + d.digits;
  }
  const size_t whole = static_cast<size_t>(d.point);
  if (whole >= d.digits.size()) return out + d.digits + std::string(whole - d.digits.size(), '0');
  return out + d.digits.substr(0, whole) + point + d.digits.substr(whole);
}

bool TryTextToFloat(std::string_view text, long double& value) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  const std::string_view t = text.substr(first, text.find_last_not_of(' ') - first + 1);
  // Checked by hand so that only this grammar passes, with '.' for the decimal separator.
  std::string plain;
  size_t i = 0;
  if (t[i] == '+' || t[i] == '-') plain += t[i++];
  size_t digits = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    if (IsDigit(t[i])) {
      ++digits;
      plain += t[i];
    } else if (t[i] == FormatSettings().DecimalSeparator && !point) {
      point = true;
      plain += '.';
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    plain += t[i++];
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain += t[i++];
    if (i == t.size()) return false;
    for (; i < t.size() && IsDigit(t[i]); ++i) plain += t[i];
  }
  if (i != t.size()) return false;
  // strtold rather than from_chars: MinGW's from_chars reads long double at double precision.
  // The program never changes the C locale, so "." is the decimal point strtold expects.
  char* end = nullptr;
  const long double result = std::strtold(plain.c_str(), &end);
  if (end != plain.c_str() + plain.size() || !std::isfinite(result)) return false;
  value = result;
  return true;
}

long double TextToFloat(std::string_view text) {
  long double value = 0;
  if (!TryTextToFloat(text, value)) {
    throw base::EConvertError("'" + std::string(text) + "' は浮動小数点数ではありません");
  }
  return value;
}

}  // namespace kestrum::toolkit
