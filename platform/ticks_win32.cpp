#include <windows.h>

#include "platform/ticks.h"

namespace kestrum::platform {
namespace {

class TWin32Ticks final : public TTickPort {
 public:
  uint32_t GetTickCount() override { return ::GetTickCount(); }
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

TTickPort& SystemTicks() {
  static TWin32Ticks ticks;
  return ticks;
}

}  // namespace kestrum::platform
