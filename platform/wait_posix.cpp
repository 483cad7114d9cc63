// A blocking call beside a thread that keeps checking, on the standard library's threads.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/wait.h"

namespace kestrum::platform {

void RunChecking(void (*work)(void* context), void* context, TWaitHook hook) {
  if (!hook) {
    work(context);
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
        work(context);
      } catch (...) {
        error = std::current_exception();
      }
      const std::lock_guard lock(mutex);
      done = true;
      finished.notify_one();
    });
  } catch (const std::system_error&) {
    // No thread to be had: the work still gets done, only without checks meanwhile.
    work(context);
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
