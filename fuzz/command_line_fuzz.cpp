// The command line's two arguments (input: the first, a zero byte, the second): the switch
// tests against plain substring searches, the start delay's range, and the progress colour,
// which may only throw EConvertError.
#include <cstdint>
#include <string_view>

#include "app/command_line.h"
#include "base/errors.h"
#include "fuzz/fuzz_check.h"
#include "lib/libadd_number.h"

using namespace kestrum;

namespace {

bool Has(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string_view first = input.substr(0, split);
  const std::string_view second =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  FUZZ_CHECK(app::RequestsUnattended(first) == (Has(first, "/S") || Has(first, "/s")),
             "unattended switch");
  const app::TProtocols protocols = app::SelectProtocols(first);
  const bool time_only = Has(first, "/ST") || Has(first, "/st");
  const bool sntp_only = !time_only && (Has(first, "/SU") || Has(first, "/su"));
  FUZZ_CHECK(protocols.sntp == !time_only && protocols.rfc868 == !sntp_only, "protocol switches");

  const uint32_t interval = app::StartTimerInterval(second);
  FUZZ_CHECK(interval >= app::kStartDelayPaddingMs &&
                 interval <= uint32_t{INT32_MAX} + app::kStartDelayPaddingMs,
             "interval %u", interval);

  try {
    const auto color = app::ProgressColorArgument(second);
    FUZZ_CHECK(!color || (!second.empty() && lib::NumberPart(second) == 0),
               "a colour from a non-zero number");
  } catch (const base::EConvertError&) {
    // neither a colour nor a number
  }
  return 0;
}
