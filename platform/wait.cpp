#include "platform/wait.h"

namespace kestrum::platform {

void SleepChecking(TTickPort& ticks, uint32_t milliseconds, TWaitHook hook) {
  WaitInSlices(milliseconds, hook, [&ticks](uint32_t slice) {
    ticks.Sleep(slice);
    return 0;
  });
}

}  // namespace kestrum::platform
