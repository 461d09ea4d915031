#pragma once
// Where the start-up's time goes, for the benchmarks only: a build configured
// with -DTROVANTO_STARTUP_TRACE=ON appends one line per step to
// startup-trace.txt in the start directory, milliseconds since the process
// was created. Every other build compiles the steps to nothing.
#ifdef TROVANTO_STARTUP_TRACE
#include <windows.h>

#include <cstdio>

namespace app {

inline void StartupStep(const char* step) {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
  GetSystemTimePreciseAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  const double ms = static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
  if (FILE* out = std::fopen("startup-trace.txt", "a")) {
    std::fprintf(out, "%8.1f %s\n", ms, step);
    std::fclose(out);
  }
}

}  // namespace app
#define STARTUP_STEP(step) ::app::StartupStep(step)
#else
#define STARTUP_STEP(step) ((void)0)
#endif
