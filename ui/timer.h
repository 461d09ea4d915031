#pragma once
// The periodic timer: 16 slots, each calling a procedure on the platform's
// timer thread.
#include <cstdint>

namespace ui {

using TimerProc = void (*)();

void TimerStartup();
void TimerShutdown();
// Starts or restarts the slot's timer; returns its identifier, 0 on refusal.
uint32_t StartPeriodicTimer(int slot, int periodMs, TimerProc proc);
void StopPeriodicTimer(int slot);
// True from the moment shutdown begins: a timer procedure waiting on the GUI
// thread gives up, so that stopping the timers cannot deadlock.
bool TimerStopping();

}  // namespace ui
