// A launcher build that faults on purpose, on the main thread, inside the
// periodic timer's procedure or inside a settings-dialog handler, to prove
// that the error trap reports the line and ends the process with exit code 0.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/error_trap.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/timer.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesTestPrograms)

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
  settings::gSettings.Title = "Trovanto";
  settings::gSettings.Version = "1.0";
  ui::WindowsStartup();
  ui::ControlsStartup();
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
  if (std::strcmp(mode, "settings") == 0) FaultInSettingsHandler();
  gExpectedLine = kLineBase + __LINE__ + 2;
  WriteExpectedLine();
  MARK_LINE();
  *gNowhere = 2;
  return 4;
}
