// A blocking call beside a thread that keeps checking: a bare system thread, which costs the
// program far less than the standard library's.
#include <windows.h>

#include <new>

#include "platform/wait.h"

namespace kestrum::platform {
namespace {

struct TWork {
  void (*work)(void* context);
  void* context;
  bool failed;
};

DWORD WINAPI RunWork(LPVOID parameter) {
  auto* job = static_cast<TWork*>(parameter);
  try {
    job->work(job->context);
  } catch (...) {
    job->failed = true;
  }
  return 0;
}

}  // namespace

void RunChecking(void (*work)(void* context), void* context, TWaitHook hook) {
  if (!hook) {
    work(context);
    return;
  }
  TWork job{work, context, false};
  HANDLE thread = CreateThread(nullptr, 0, RunWork, &job, 0, nullptr);
  if (thread == nullptr) {
    // No thread to be had: the work still gets done, only without checks meanwhile.
    work(context);
    return;
  }
  while (WaitForSingleObject(thread, kWaitSliceMs) == WAIT_TIMEOUT) hook();
  CloseHandle(thread);
  // What a lookup can raise is a lack of memory.
  if (job.failed) throw std::bad_alloc();
}

}  // namespace kestrum::platform
