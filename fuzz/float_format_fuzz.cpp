// Picture number formatting and the float reader: arbitrary pictures and texts must not
// crash, FloatToStr reads back to 15 significant digits, and a fixed picture reads back to
// within half of its last decimal.
//
// Input: control byte, eight bytes of a double, then the text (read, and used as a picture).
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fuzz/fuzz_check.h"
#include "toolkit/floatformat.h"
#include "toolkit/formatsettings.h"

using namespace kestrum::base;
using namespace kestrum::toolkit;

namespace {

void CheckReader(std::string_view text) {
  long double tried = 0;
  const bool ok = TryTextToFloat(text, tried);
  FUZZ_CHECK(!ok || std::isfinite(tried), "TryTextToFloat gave %Lg", tried);
  try {
    const long double thrown = TextToFloat(text);
    FUZZ_CHECK(ok && thrown == tried, "TextToFloat read what TryTextToFloat did not");
  } catch (const EConvertError&) {
    FUZZ_CHECK(!ok, "TextToFloat failed where TryTextToFloat read");
  }
}

void CheckGeneralForm(long double value) {
  const std::string text = FloatToStr(value);
  long double read = 0;
  if (!std::isfinite(value)) {
    FUZZ_CHECK(!TryTextToFloat(text, read), "\"%s\" was read", text.c_str());
    return;
  }
  FUZZ_CHECK(TryTextToFloat(text, read), "FloatToStr gave unreadable \"%s\"", text.c_str());
  FUZZ_CHECK(std::fabs(read - value) <= std::fabs(value) * 1e-14L, "%.21Lg -> \"%s\" -> %.21Lg",
             value, text.c_str(), read);
}

// "0", "#,##0", with up to seven decimals "0.000".
void CheckFixedPicture(long double value, uint8_t control) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e15L) return;
  const int decimals = control % 8;
  std::string picture = (control & 8) != 0 ? "#,##0" : "0";
  if (decimals > 0) picture += "." + std::string(static_cast<size_t>(decimals), '0');
  std::string text = FormatFloat(picture, value);
  const std::string shown = text;
  std::erase(text, FormatSettings().ThousandSeparator);
  long double read = 0;
  FUZZ_CHECK(TryTextToFloat(text, read), "\"%s\" of %.21Lg is unreadable", shown.c_str(), value);
  const long double half_unit = 0.5L * std::pow(10.0L, -decimals);
  FUZZ_CHECK(std::fabs(read - value) <= half_unit * (1 + 1e-9L) + std::fabs(value) * 1e-17L,
             "\"%s\": %.21Lg shown as \"%s\"", picture.c_str(), value, shown.c_str());
  const size_t point = shown.find(FormatSettings().DecimalSeparator);
  FUZZ_CHECK(decimals == 0 ? point == std::string::npos
                           : point != std::string::npos &&
                                 shown.size() - point - 1 == static_cast<size_t>(decimals),
             "\"%s\": %.21Lg shown as \"%s\"", picture.c_str(), value, shown.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  FormatSettings() = TFormatSettings{};
  const uint8_t control = data[0];
  double raw = 0;
  std::memcpy(&raw, data + 1, sizeof raw);
  const std::string_view text(reinterpret_cast<const char*>(data + 9), size - 9);

  CheckReader(text);
  CheckGeneralForm(raw);
  // Values with few digits, where rounding ties are frequent: raw scaled down to cents.
  const long double cents = std::isfinite(raw) ? std::trunc(std::fmod(raw, 1e9)) / 100.0L : 0;
  CheckGeneralForm(cents);
  CheckFixedPicture(raw, control);
  CheckFixedPicture(cents, control);
  CheckFixedPicture(-cents, control >> 4);

  FormatFloat(text, raw);
  FormatFloat(text, cents);
  return 0;
}
