// A launcher build that faults on purpose, on the main thread or inside the
// periodic timer's procedure, to prove that the error trap reports the line
// and ends the process with exit code 0.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/error_trap.h"
#include "settings/settings.h"
#include "storage/line_counter.h"
#include "ui/timer.h"
#include "ui/ui.h"

namespace {

int gExpectedLine = 0;
const char* gLineFile = nullptr;

void WriteExpectedLine() {
  if (!gLineFile) return;
  FILE* f = std::fopen(gLineFile, "w");
  if (f) {
    std::fprintf(f, "%d\n", gExpectedLine);
    std::fclose(f);
  }
}

int* volatile gNowhere = nullptr;

void FaultingTick() {
  gExpectedLine = __LINE__ + 2;
  WriteExpectedLine();
  MARK_LINE();
  *gNowhere = 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "main";
  gLineFile = argc > 2 ? argv[2] : nullptr;
  settings::gSettings.Title = "Trovanto";
  settings::gSettings.Version = "1.0";
  ui::WindowsStartup();
  ui::TimerStartup();
  ui::CreateProgramWindow(60, 10, 10, 216, 408, "Trovanto v1.0", ui::kBorderlessPopup, nullptr);
  app::InstallErrorTrap([] { ui::TimerShutdown(); });
  if (std::strcmp(mode, "timer") == 0) {
    ui::StartPeriodicTimer(0, 250, FaultingTick);
    for (;;) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(10);
    }
  }
  gExpectedLine = __LINE__ + 2;
  WriteExpectedLine();
  MARK_LINE();
  *gNowhere = 2;
  return 4;
}
