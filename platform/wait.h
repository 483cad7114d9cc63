#pragma once
// Long waits cut into slices. Between slices the waiting thread runs a hook handed in from
// above: the program looks for messages there, so that the system never takes its window for
// a hung one. Layers below the windows know the hook only as a function.

#include <cstdint>
#include <type_traits>

#include "platform/ticks.h"

namespace kestrum::platform {

// Longest stretch of a sliced wait without a call of its hook, in milliseconds.
constexpr uint32_t kWaitSliceMs = 250;

// Called between the slices of a long wait; may be null. A plain function: the program's one
// hook needs no state, and copies cost nothing.
using TWaitHook = void (*)();

// Waits at most `milliseconds` in slices of kWaitSliceMs: `wait_slice(ms)` waits up to `ms`
// and returns 0 when nothing happened; any other value ends the wait and is returned (0 when
// the whole time passed). `hook` runs between slices. Time is counted in slices waited, so
// that virtual ticks that stand still cannot make it endless.
template <class TWaitSlice>
int WaitInSlices(uint32_t milliseconds, TWaitHook hook, TWaitSlice wait_slice) {
  if (!hook) return wait_slice(milliseconds);
  for (uint32_t left = milliseconds;;) {
    const uint32_t slice = left < kWaitSliceMs ? left : kWaitSliceMs;
    const int result = wait_slice(slice);
    left -= slice;
    if (result != 0 || left == 0) return result;
    hook();
  }
}

// Sleeps `milliseconds` on `ticks`, in slices when there is a hook.
void SleepChecking(TTickPort& ticks, uint32_t milliseconds, TWaitHook hook);

// Runs `work(context)` (a call that blocks and cannot be cut, such as a name lookup) to its
// end. With a hook it runs on a helper thread while this one calls the hook every slice;
// without, inline. `work` must not touch what the calling thread uses meanwhile; an exception
// from it arrives here (as std::bad_alloc on Windows). The hook must not throw.
void RunChecking(void (*work)(void* context), void* context, TWaitHook hook);

template <class TWork>
void RunChecking(TWork&& work, TWaitHook hook) {
  using TCall = std::remove_reference_t<TWork>;
  RunChecking([](void* call) { (*static_cast<TCall*>(call))(); }, &work, hook);
}

}  // namespace kestrum::platform
