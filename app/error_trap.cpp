#include "app/error_trap.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>

#include "app/error_text.h"
#include "settings/settings.h"
#include "storage/line_counter.h"
#include "ui/standard_dialogs.h"
#include "ui/ui.h"

namespace app {
namespace {

LPTOP_LEVEL_EXCEPTION_FILTER gPreviousFilter = nullptr;
PVOID gOverflowHandler = nullptr;
ExitRoutine gExit = nullptr;
std::atomic<bool> gInTrap{false};
std::atomic<bool> gOverflowTaken{false};
DWORD gGuiThread = 0;
DWORD gCode = 0;
int32_t gLine = -1;

// The C++ runtime giving up (std::terminate) goes through the trap as well.
constexpr DWORD kTerminateCode = 0xE0000001u;

// After a stack overflow the faulting thread has a page or two left, far too
// little for the system's exception dispatch to reach the trap's filter and
// for a message box. The overflow is taken first-hand and the thread goes on
// on a stack made ready at installation, still the same thread, so that the
// windows it owns and the timer's rules for its own thread still hold.
constexpr SIZE_T kReportStackSize = 1024 * 1024;
void* gReportStack = nullptr;
// Room that the system keeps for that first-hand look when a stack runs out.
constexpr ULONG kStackGuarantee = 32 * 1024;

[[noreturn]] void Report() {
  std::string text = ErrorMessageText(gLine, gCode);
  std::string title = settings::TitleWithVersion();
  if (GetCurrentThreadId() == gGuiThread) {
    ui::ShowMessage(title.c_str(), text.c_str(), MB_ICONERROR | MB_OK);
  } else {
    // The GUI thread may be waiting on this very thread: no owner window.
    MessageBoxW(nullptr, ui::WideFrom1252(text.c_str()).c_str(), ui::WideFrom1252(title.c_str()).c_str(),
                MB_ICONERROR | MB_OK | MB_SETFOREGROUND);
  }
  if (gExit) gExit();
  ExitProcess(0);
}

LONG WINAPI TrapFilter(EXCEPTION_POINTERS* info) {
  if (gInTrap.exchange(true)) {
    // A second fault while the first is being reported.
    ExitProcess(0);
  }
  gCode = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  gLine = storage::gLineCounter.load();
  Report();
}

// Where a thread whose stack ran out goes on, on the report stack.
[[noreturn]] void OverflowLanding() {
  // Tell the system where this thread's stack now lies, for the stack probes
  // and any exception dispatch on the way out.
#if defined(__GNUC__) && defined(__i386__)
  // GCC 12 at -O2 takes the segment read inside NtCurrentTeb for an access
  // to an empty array (-Warray-bounds); the same read, spelled out.
  NT_TIB* tib = nullptr;
  __asm__ volatile("movl %%fs:0x18, %0" : "=r"(tib));
#else
  auto* tib = reinterpret_cast<NT_TIB*>(NtCurrentTeb());
#endif
  tib->StackLimit = gReportStack;
  tib->StackBase = static_cast<char*>(gReportStack) + kReportStackSize;
  if (gInTrap.exchange(true)) ExitProcess(0);
  gCode = EXCEPTION_STACK_OVERFLOW;
  Report();
}

LONG CALLBACK OverflowHandler(EXCEPTION_POINTERS* info) {
  if (!info || !info->ExceptionRecord || !info->ContextRecord ||
      info->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW || !gReportStack)
    return EXCEPTION_CONTINUE_SEARCH;
  // One report stack: a second overflow meanwhile takes the ordinary road.
  if (gOverflowTaken.exchange(true)) return EXCEPTION_CONTINUE_SEARCH;
  gLine = storage::gLineCounter.load();
  // As if the landing had just been called: 16-byte aligned before the
  // return address slot.
  uintptr_t top = (reinterpret_cast<uintptr_t>(gReportStack) + kReportStackSize - 256) & ~static_cast<uintptr_t>(15);
#if defined(_M_X64) || defined(__x86_64__)
  info->ContextRecord->Rsp = top - 8;
  info->ContextRecord->Rip = reinterpret_cast<DWORD64>(&OverflowLanding);
#elif defined(_M_IX86) || defined(__i386__)
  info->ContextRecord->Esp = static_cast<DWORD>(top - 4);
  info->ContextRecord->Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&OverflowLanding));
#else
  return EXCEPTION_CONTINUE_SEARCH;
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

void OnTerminate() {
  RaiseException(kTerminateCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  ExitProcess(0);
}

}  // namespace

void InstallErrorTrap(ExitRoutine exitRoutine) {
  gExit = exitRoutine;
  gGuiThread = GetCurrentThreadId();
  if (!gReportStack)
    gReportStack = VirtualAlloc(nullptr, kReportStackSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  PrepareThreadForTrap();
  gPreviousFilter = SetUnhandledExceptionFilter(TrapFilter);
  if (!gOverflowHandler) gOverflowHandler = AddVectoredExceptionHandler(1, OverflowHandler);
  std::set_terminate(OnTerminate);
}

void PrepareThreadForTrap() {
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
}

void RestoreErrorTrap() {
  SetUnhandledExceptionFilter(gPreviousFilter);
  if (gOverflowHandler) RemoveVectoredExceptionHandler(gOverflowHandler);
  gOverflowHandler = nullptr;
}

}  // namespace app
