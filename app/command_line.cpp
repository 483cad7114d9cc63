#include "app/command_line.h"

#include <algorithm>
#include <initializer_list>

#include "lib/libadd_number.h"

namespace kestrum::app {
namespace {

bool ContainsAny(std::string_view text, std::initializer_list<std::string_view> switches) {
  return std::any_of(switches.begin(), switches.end(),
                     [text](std::string_view s) { return text.find(s) != std::string_view::npos; });
}

}  // namespace

bool RequestsUnattended(std::string_view first) {
  return ContainsAny(first, {"/S", "/s", "/SU", "/su", "/ST", "/st"});
}

TProtocols SelectProtocols(std::string_view first) {
  TProtocols protocols;
  if (ContainsAny(first, {"/SU", "/su"})) protocols = {true, false};
  if (ContainsAny(first, {"/ST", "/st"})) protocols = {false, true};
  return protocols;
}

uint32_t StartTimerInterval(std::string_view second) {
  const int32_t delay = std::max<int32_t>(lib::IntegerPart(second), 0);
  return static_cast<uint32_t>(delay) + kStartDelayPaddingMs;
}

std::optional<toolkit::TColor> ProgressColorArgument(std::string_view second) {
  if (second.empty() || lib::NumberPart(second) != 0) return std::nullopt;
  return toolkit::StringToColor(second);
}

}  // namespace kestrum::app
