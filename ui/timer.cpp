// Periodic timer slots on the multimedia timer.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <new>

#include "ui/system_library.h"
#include "ui/timer.h"

namespace ui {
namespace {

struct Slot {
  std::atomic<UINT> id{0};
  std::atomic<TimerProc> proc{nullptr};
};
Slot gSlots[16];

// The multimedia timer's functions, from the system folder (see system_library.h).
struct Winmm {
  decltype(&::timeGetDevCaps) getDevCaps = ui::SystemFunction<decltype(&::timeGetDevCaps)>("winmm.dll", "timeGetDevCaps");
  decltype(&::timeBeginPeriod) beginPeriod = ui::SystemFunction<decltype(&::timeBeginPeriod)>("winmm.dll", "timeBeginPeriod");
  decltype(&::timeEndPeriod) endPeriod = ui::SystemFunction<decltype(&::timeEndPeriod)>("winmm.dll", "timeEndPeriod");
  decltype(&::timeSetEvent) setEvent = ui::SystemFunction<decltype(&::timeSetEvent)>("winmm.dll", "timeSetEvent");
  decltype(&::timeKillEvent) killEvent = ui::SystemFunction<decltype(&::timeKillEvent)>("winmm.dll", "timeKillEvent");
  bool Complete() const { return getDevCaps && beginPeriod && endPeriod && setEvent && killEvent; }
};

const Winmm& Mm() {
  static const Winmm functions;
  return functions;
}
UINT gResolution = 0;
std::atomic<bool> gStopping{false};

void CALLBACK Trampoline(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  if (gStopping.load()) return;
  TimerProc proc = gSlots[user & 15].proc.load();
  // Called from the system's timer thread: nothing may unwind into it. A
  // tick that runs out of memory is skipped; the next one tries again.
  try {
    if (proc) proc();
  } catch (const std::bad_alloc&) {
  }
}

// The finest period the multimedia timer offers, taken with the first timer
// rather than at start-up: loading the multimedia library reads its driver
// configuration, which the first paint need not wait for.
void TakeFinestPeriod() {
  TIMECAPS caps;
  if (gResolution == 0 && Mm().Complete() && Mm().getDevCaps(&caps, sizeof caps) == TIMERR_NOERROR) {
    gResolution = caps.wPeriodMin;
    Mm().beginPeriod(gResolution);
  }
}

}  // namespace

void TimerStartup() {
  for (auto& s : gSlots) {
    s.id = 0;
    s.proc = nullptr;
  }
  gStopping = false;
}

uint32_t StartPeriodicTimer(int slot, int periodMs, TimerProc proc) {
  if (static_cast<unsigned>(slot) > 15u) return 0;
  StopPeriodicTimer(slot);
  if (!Mm().Complete()) return 0;
  TakeFinestPeriod();
  Slot& s = gSlots[slot];
  s.proc = proc;
  UINT id = Mm().setEvent(static_cast<UINT>(periodMs), 0, Trampoline, static_cast<DWORD_PTR>(slot),
                         TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  s.id = id;
  return id;
}

void StopPeriodicTimer(int slot) {
  if (static_cast<unsigned>(slot) > 15u) return;
  UINT id = gSlots[slot].id.exchange(0);
  if (id) Mm().killEvent(id);
}

void TimerShutdown() {
  gStopping = true;
  // The resolution was asked for the timers: it is given back only once
  // none of them runs any more.
  for (int i = 0; i < 16; ++i) StopPeriodicTimer(i);
  if (gResolution) {
    Mm().endPeriod(gResolution);
    gResolution = 0;
  }
}

bool TimerStopping() { return gStopping.load(); }

}  // namespace ui
