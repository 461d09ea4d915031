// A launcher build that faults on purpose, to prove that the error trap
// reports the line and leaves through the launcher's own exit path with exit
// code 0. Modes: "main" and "timer" (an access violation on that thread),
// "main-overflow" and "timer-overflow" (runaway recursion), "settings" (a
// fault inside a settings-dialog handler) and "saving" (a fault while the
// preference file named by the third argument is being rebuilt, which the
// exit path must not write).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/error_trap.h"
#include "app/launcher.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "storage/preference_file.h"
#include "ui/timer.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesTestPrograms)

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

constexpr int kRecurseLine = kLineBase + __LINE__ + 4;
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
  gExpectedLine = kLineBase + __LINE__ + 2;
  WriteExpectedLine();
  MARK_LINE();
  *gNowhere = 1;
}

// The stored password's buffer turns read-only under the open settings
// dialog, so the password field's handler faults when it stores a new one.
// The buffer is large enough to have pages of its own: nothing else the
// program or the trap writes lies there.
void FaultInSettingsHandler() {
  std::string& stored = settings::gSettings.Passwort;
  stored.assign(1 << 20, 'x');
  stored.assign("x");
  settings::OpenSettingsDialog();
  if (!ui::ControlExists(82)) {
    std::fprintf(stderr, "the settings dialog did not open\n");
    std::exit(3);
  }
  ui::SetControlText(82, "neu");
  gExpectedLine = -1;  // somewhere in the dialog's file; the test checks which line
  WriteExpectedLine();
  DWORD old = 0;
  VirtualProtect(&stored[0], 4096, PAGE_READONLY, &old);
  settings::SettingsControlEvent(82, ui::kItemChange);
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "main";
  gLineFile = argc > 2 ? argv[2] : nullptr;
  gOverflow = std::strstr(mode, "overflow") != nullptr;
  settings::gSettings.Title = "Trovanto";
  settings::gSettings.Version = "1.0";
  ui::WindowsStartup();
  ui::ControlsStartup();
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
  if (std::strcmp(mode, "settings") == 0) FaultInSettingsHandler();
  if (gOverflow) Overflow();
  if (std::strcmp(mode, "saving") == 0 && argc > 3) {
    // Half of a rebuilt catalogue: the old file is gone from memory, the new
    // one not complete.
    preference::Create(argv[3]);
    preference::SelectGroup("Halb");
    preference::WriteString("Datei", "\\Apps\\Halb.exe");
  }
  gExpectedLine = kLineBase + __LINE__ + 2;
  WriteExpectedLine();
  MARK_LINE();
  *gNowhere = 2;
  return 4;
}
