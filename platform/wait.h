#pragma once
// Long waits cut into slices. Between slices the waiting thread runs a hook handed in from
// above: the program looks for messages there, so that the system never takes its window for
// a hung one. Layers below the windows know the hook only as a function.

#include <cstdint>
#include <functional>

#include "platform/ticks.h"

namespace kestrum::platform {

// Longest stretch of a sliced wait without a call of its hook, in milliseconds.
constexpr uint32_t kWaitSliceMs = 250;

// Called between the slices of a long wait; may be empty.
using TWaitHook = std::function<void()>;

// Waits at most `milliseconds` in slices of kWaitSliceMs: `wait_slice(ms)` waits up to `ms`
// and returns 0 when nothing happened; any other value ends the wait and is returned (0 when
// the whole time passed). `hook` runs between slices. Time is counted in slices waited, so
// that virtual ticks that stand still cannot make it endless.
int WaitInSlices(uint32_t milliseconds, const TWaitHook& hook,
                 const std::function<int(uint32_t slice_ms)>& wait_slice);

// Sleeps `milliseconds` on `ticks`, in slices when there is a hook.
void SleepChecking(TTickPort& ticks, uint32_t milliseconds, const TWaitHook& hook);

// Runs `work` (a call that blocks and cannot be cut, such as a name lookup) to its end. With a
// hook it runs on a helper thread while this one calls the hook every slice; without, inline.
// `work` must not touch what the calling thread uses meanwhile.
void RunChecking(const std::function<void()>& work, const TWaitHook& hook);

}  // namespace kestrum::platform
