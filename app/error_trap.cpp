#include "app/error_trap.h"

#include <windows.h>

#include <atomic>
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
ExitRoutine gExit = nullptr;
std::atomic<bool> gInTrap{false};
DWORD gGuiThread = 0;

// The C++ runtime giving up (std::terminate) goes through the trap as well.
constexpr DWORD kTerminateCode = 0xE0000001u;

LONG WINAPI TrapFilter(EXCEPTION_POINTERS* info) {
  if (gInTrap.exchange(true)) {
    // A second fault while the first is being reported.
    ExitProcess(0);
  }
  DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  int32_t line = storage::gLineCounter.load();
  std::string text = ErrorMessageText(line, code);
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

void OnTerminate() {
  RaiseException(kTerminateCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  ExitProcess(0);
}

}  // namespace

void InstallErrorTrap(ExitRoutine exitRoutine) {
  gExit = exitRoutine;
  gGuiThread = GetCurrentThreadId();
  gPreviousFilter = SetUnhandledExceptionFilter(TrapFilter);
  std::set_terminate(OnTerminate);
}

void RestoreErrorTrap() { SetUnhandledExceptionFilter(gPreviousFilter); }

}  // namespace app
