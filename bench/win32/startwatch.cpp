// Start-up benchmark under Wine: starts programs again and again, in turn, and times from
// process creation until a visible top-level window of that process with the given client size
// is painted (it and every visible child have no region left to paint); then reads the
// process's peak working set and ends it. One line per program: median, spread, peak.
//   kestrum-startwatch RUNS NAME WIDTH HEIGHT PROGRAM [ARGUMENTS] [-- NAME WIDTH HEIGHT ...]
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kGiveUpMs = 60000;

struct TSearch {
  DWORD process_id;
  int width;
  int height;
  HWND found;
};

BOOL CALLBACK ChildPainted(HWND child, LPARAM lparam) {
  if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(lparam) = false;
    return FALSE;
  }
  return TRUE;
}

bool Painted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  bool painted = true;
  EnumChildWindows(window, ChildPainted, reinterpret_cast<LPARAM>(&painted));
  return painted;
}

BOOL CALLBACK FindWindowOf(HWND window, LPARAM lparam) {
  TSearch& search = *reinterpret_cast<TSearch*>(lparam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  RECT client;
  if (owner != search.process_id || !IsWindowVisible(window) || !GetClientRect(window, &client)) {
    return TRUE;
  }
  if (client.right != search.width || client.bottom != search.height) return TRUE;
  search.found = window;
  return FALSE;
}

// For a failed run: what the process shows instead.
BOOL CALLBACK DescribeWindow(HWND window, LPARAM lparam) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != static_cast<DWORD>(lparam)) return TRUE;
  RECT client{};
  GetClientRect(window, &client);
  char title[64] = "";
  GetWindowTextA(window, title, sizeof title);
  std::fprintf(stderr, "  window \"%s\" %ldx%ld visible=%d painted=%d\n", title, client.right,
               client.bottom, IsWindowVisible(window) ? 1 : 0, Painted(window) ? 1 : 0);
  return TRUE;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct TTarget {
  std::string name;
  int width = 0;
  int height = 0;
  std::string command;
  std::vector<double> ms;
  std::vector<double> peak_kib;
};

std::vector<TTarget> ParseTargets(int argc, char** argv) {
  std::vector<TTarget> targets;
  for (int i = 2; i + 3 < argc;) {
    TTarget target;
    target.name = argv[i];
    target.width = std::atoi(argv[i + 1]);
    target.height = std::atoi(argv[i + 2]);
    target.command = std::string("\"") + argv[i + 3] + "\"";
    for (i += 4; i < argc && std::string(argv[i]) != "--"; ++i) {
      target.command += std::string(" ") + argv[i];
    }
    ++i;  // the separator
    targets.push_back(target);
  }
  return targets;
}

// One start of the target's program; false when no painted window came.
bool TimeOneStart(TTarget& target, double ticks_per_ms) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = target.command;
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "cannot start %s (%lu)\n", target.command.c_str(), GetLastError());
    return false;
  }
  TSearch search{process.dwProcessId, target.width, target.height, nullptr};
  bool painted = false;
  for (;;) {
    QueryPerformanceCounter(&now);
    const double elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / ticks_per_ms;
    if (search.found == nullptr) EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr && Painted(search.found)) {
      painted = true;
      target.ms.push_back(elapsed);
      break;
    }
    if (elapsed > kGiveUpMs || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  if (!painted) EnumWindows(DescribeWindow, static_cast<LPARAM>(process.dwProcessId));
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (painted && GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory)) {
    target.peak_kib.push_back(static_cast<double>(memory.PeakWorkingSetSize) / 1024.0);
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!painted) {
    std::fprintf(stderr, "no painted %dx%d window of %s\n", target.width, target.height,
                 target.command.c_str());
  }
  return painted;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<TTarget> targets = ParseTargets(argc, argv);
  if (targets.empty()) {
    std::fprintf(stderr,
                 "usage: kestrum-startwatch RUNS NAME WIDTH HEIGHT PROGRAM [ARGUMENTS] "
                 "[-- NAME ...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double ticks_per_ms = static_cast<double>(frequency.QuadPart) / 1000.0;
  for (int run = 0; run < runs; ++run) {
    for (TTarget& target : targets) {
      if (!TimeOneStart(target, ticks_per_ms)) return 1;
    }
  }
  for (const TTarget& target : targets) {
    std::printf("%s median_ms=%.1f min_ms=%.1f max_ms=%.1f peak_kib=%.0f runs=%d\n",
                target.name.c_str(), Median(target.ms),
                *std::min_element(target.ms.begin(), target.ms.end()),
                *std::max_element(target.ms.begin(), target.ms.end()),
                target.peak_kib.empty() ? 0.0 : Median(target.peak_kib), runs);
  }
  return 0;
}
