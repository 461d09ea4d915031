// A launcher build that faults on purpose, to prove that the error trap
// reports the line and leaves through the launcher's own exit path with exit
// code 0. Modes: "main" and "timer" (an access violation on that thread),
// "main-overflow" and "timer-overflow" (runaway recursion), and "saving"
// (a fault while the preference file named by the third argument is being
// rebuilt, which the exit path must not write).
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/error_trap.h"
#include "app/launcher.h"
#include "settings/settings.h"
#include "storage/line_counter.h"
#include "storage/preference_file.h"
#include "ui/timer.h"
#include "ui/ui.h"

namespace {

int gExpectedLine = 0;
const char* gLineFile = nullptr;
bool gOverflow = false;

void WriteExpectedLine() {
  if (!gLineFile) return;
  FILE* f = std::fopen(gLineFile, "w");
  if (f) {
    std::fprintf(f, "%d\n", gExpectedLine);
    std::fclose(f);
  }
}

int* volatile gNowhere = nullptr;
volatile int gDepthLimit = -1;

constexpr int kRecurseLine = __LINE__ + 4;
int Recurse(int depth) {
  volatile char pad[256];
  pad[0] = static_cast<char>(depth);
  MARK_LINE();
  if (depth == gDepthLimit) return 0;
  return Recurse(depth + 1) + pad[0];
}

void Overflow() {
  gExpectedLine = kRecurseLine;
  WriteExpectedLine();
  Recurse(0);
}

void FaultingTick() {
  // The launcher's own tick readies its thread the same way.
  app::PrepareThreadForTrap();
  if (gOverflow) Overflow();
  gExpectedLine = __LINE__ + 2;
  WriteExpectedLine();
  MARK_LINE();
  *gNowhere = 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "main";
  gLineFile = argc > 2 ? argv[2] : nullptr;
  gOverflow = std::strstr(mode, "overflow") != nullptr;
  settings::gSettings.Title = "Trovanto";
  settings::gSettings.Version = "1.0";
  ui::WindowsStartup();
  ui::TimerStartup();
  ui::CreateProgramWindow(60, 10, 10, 216, 408, "Trovanto v1.0", ui::kBorderlessPopup, nullptr);
  app::InstallErrorTrap(app::ExitAfterFault);
  if (std::strncmp(mode, "timer", 5) == 0) {
    ui::StartPeriodicTimer(0, 250, FaultingTick);
    for (;;) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(10);
    }
  }
  if (gOverflow) Overflow();
  if (std::strcmp(mode, "saving") == 0 && argc > 3) {
    // Half of a rebuilt catalogue: the old file is gone from memory, the new
    // one not complete.
    preference::Create(argv[3]);
    preference::SelectGroup("Halb");
    preference::WriteString("Datei", "\\Apps\\Halb.exe");
  }
  gExpectedLine = __LINE__ + 2;
  WriteExpectedLine();
  MARK_LINE();
  *gNowhere = 2;
  return 4;
}
