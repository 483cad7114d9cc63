#include "platform/wait.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace kestrum::platform {

int WaitInSlices(uint32_t milliseconds, const TWaitHook& hook,
                 const std::function<int(uint32_t slice_ms)>& wait_slice) {
  if (!hook) return wait_slice(milliseconds);
  uint32_t left = milliseconds;
  for (;;) {
    const uint32_t slice = std::min(left, kWaitSliceMs);
    const int result = wait_slice(slice);
    left -= slice;
    if (result != 0 || left == 0) return result;
    hook();
  }
}

void SleepChecking(TTickPort& ticks, uint32_t milliseconds, const TWaitHook& hook) {
  WaitInSlices(milliseconds, hook, [&ticks](uint32_t slice) {
    ticks.Sleep(slice);
    return 0;
  });
}

void RunChecking(const std::function<void()>& work, const TWaitHook& hook) {
  if (!hook) {
    work();
    return;
  }
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::exception_ptr error;
  std::exception_ptr hook_error;
  std::thread helper;
  try {
    helper = std::thread([&] {
      try {
        work();
      } catch (...) {
        error = std::current_exception();
      }
      const std::lock_guard lock(mutex);
      done = true;
      finished.notify_one();
    });
  } catch (const std::system_error&) {
    // No thread to be had: the work still gets done, only without checks meanwhile.
    work();
    return;
  }
  {
    std::unique_lock lock(mutex);
    while (
        !finished.wait_for(lock, std::chrono::milliseconds(kWaitSliceMs), [&] { return done; })) {
      if (hook_error) continue;
      lock.unlock();
      // The helper must be joined before anything leaves this function.
      try {
        hook();
      } catch (...) {
        hook_error = std::current_exception();
      }
      lock.lock();
    }
  }
  helper.join();
  if (hook_error) std::rethrow_exception(hook_error);
  if (error) std::rethrow_exception(error);
}

}  // namespace kestrum::platform
