// Periodic timer slots on the multimedia timer.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>

#include "ui/timer.h"

namespace ui {
namespace {

struct Slot {
  std::atomic<UINT> id{0};
  std::atomic<TimerProc> proc{nullptr};
};
Slot gSlots[16];
UINT gResolution = 0;
std::atomic<bool> gStopping{false};

void CALLBACK Trampoline(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  if (gStopping.load()) return;
  TimerProc proc = gSlots[user & 15].proc.load();
  if (proc) proc();
}

}  // namespace

void TimerStartup() {
  TIMECAPS caps;
  if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR) {
    gResolution = caps.wPeriodMin;
    timeBeginPeriod(gResolution);
  }
  for (auto& s : gSlots) {
    s.id = 0;
    s.proc = nullptr;
  }
  gStopping = false;
}

uint32_t StartPeriodicTimer(int slot, int periodMs, TimerProc proc) {
  if (static_cast<unsigned>(slot) > 15u) return 0;
  StopPeriodicTimer(slot);
  Slot& s = gSlots[slot];
  s.proc = proc;
  UINT id = timeSetEvent(static_cast<UINT>(periodMs), 0, Trampoline, static_cast<DWORD_PTR>(slot),
                         TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  s.id = id;
  return id;
}

void StopPeriodicTimer(int slot) {
  if (static_cast<unsigned>(slot) > 15u) return;
  UINT id = gSlots[slot].id.exchange(0);
  if (id) timeKillEvent(id);
}

void TimerShutdown() {
  gStopping = true;
  if (gResolution) {
    timeEndPeriod(gResolution);
    gResolution = 0;
  }
  for (int i = 0; i < 16; ++i) StopPeriodicTimer(i);
}

bool TimerStopping() { return gStopping.load(); }

}  // namespace ui
