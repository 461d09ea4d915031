#include "app/launcher.h"

#include <windows.h>

#include <string>

#include "app/docking.h"
#include "app/error_trap.h"
#include "app/main_loop.h"
#include "app/main_window.h"
#include "app/process_guard.h"
#include "app/startup_trace.h"
#include "app/status_strip.h"
#include "catalogue/catalogue_store.h"
#include "catalogue/program_list.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/skins.h"
#include "storage/directory.h"
#include "storage/line_counter.h"
#include "storage/preference_file.h"
#include "ui/controls.h"
#include "ui/drawing.h"
#include "ui/events.h"
#include "ui/file_drop.h"
#include "ui/images.h"
#include "ui/standard_dialogs.h"
#include "ui/timer.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesLauncher)

namespace app {
namespace {

using settings::gSettings;

constexpr char kTitle[] = "Trovanto";
constexpr char kVersion[] = "1.0";
// More entries than the program list shows at first in any font.
constexpr int kPrefetchedIcons = 8;

const char* const kDayNames[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
const char* const kCommandCaptions[8] = {"",
                                         "Programm(e) hinzufügen / ändern",
                                         "Programm(e) entfernen",
                                         "Datei-Explorer",
                                         "Einstellungen",
                                         "Info...",
                                         "Fenster minimieren",
                                         "Beenden"};

// What the first paint does not need, run after the window is shown and
// before the first event is handed out: activation with the keyboard in the
// program list, the status strip's tick, the rest of the embedded pictures,
// drops, tray icon and menu, and last the skin names (only the settings
// dialog lists them).
void FinishStartup() {
  MARK_LINE();
  ShowMainWindow();
  STARTUP_STEP("activated");
  // The strip shows its embedded picture until the first tick, 250 ms on.
  MARK_LINE();
  ui::StartPeriodicTimer(0, 250, StatusStripTick);
  STARTUP_STEP("timer started");
  MARK_LINE();
  ui::LoadEmbeddedPictures();
  STARTUP_STEP("other pictures");
  MARK_LINE();
  CompleteMainWindow();
  STARTUP_STEP("drops, tray icon");
  MARK_LINE();
  settings::CollectSkinNames();
  STARTUP_STEP("skin names");
}

}  // namespace

void RunLauncher() {
  // Before any library loads or any file is read: a launcher already running
  // from this folder owns the files, and this start only brings it forward.
  STARTUP_STEP("entry");
  HardenProcess();
  STARTUP_STEP("hardened");
  // The folder of trovanto.exe, not the current directory of whoever
  // started it.
  StartFolder start = FindStartFolder();
  // Title + " v" + Version, as the main window carries it.
  if (ShowRunningLauncher(start, (std::string(kTitle) + " v" + kVersion).c_str())) ExitProcess(0);

  STARTUP_STEP("process start");
  // Work area, taken once. As the first question about the screen it loads
  // the display driver on this thread: under Wine, the common controls
  // loading on their thread would load it there too, and two threads loading
  // it at once wait on each other for good.
  MARK_LINE();
  const RECT work = ui::DesktopWorkArea();
  settings::gWorkAreaLeft = work.left;
  settings::gWorkAreaTop = work.top;
  settings::gWorkAreaRight = work.right;
  settings::gWorkAreaBottom = work.bottom;

  STARTUP_STEP("work area");
  // Services: drawing, windows, images, timers, then the controls, whose
  // library loads on a thread of its own while the files are read. Loading
  // it holds the loader's lock, which the windows' resources need too.
  MARK_LINE();
  ui::DrawingStartup();
  ui::WindowsStartup();
  ui::ImagesStartup();
  ui::TimerStartup();
  ui::ControlsStartup();

  STARTUP_STEP("services");

  // From here on every fault ends in the trap's message.
  InstallErrorTrap(ExitAfterFault);

  // Run-time fields: day names, title, version, start directory and drive,
  // button captions, the first status and date texts.
  MARK_LINE();
  for (int i = 0; i < 7; ++i) gSettings.DayNames[static_cast<size_t>(i)] = kDayNames[i];
  gSettings.Title = kTitle;
  gSettings.Version = kVersion;
  MARK_LINE();
  EnterStartFolder(start);
  gSettings.StartDirectory = start.narrow;
  gSettings.ProgramDrive = start.drive;
  storage::SetProtectedStartDirectory(start.guarded);
  for (int i = 1; i <= 7; ++i) gSettings.CommandCaptions[static_cast<size_t>(i)] = kCommandCaptions[i];
  gSettings.StatusText.clear();
  gSettings.DateText = BuildDateText();

  STARTUP_STEP("trap, run-time fields");
  // The empty catalogue and skin-name list.
  MARK_LINE();
  catalogue::gCatalogue.Clear();
  settings::gSkinNames.clear();

  STARTUP_STEP("empty lists");
  // Decoder, then the pictures the main window shows (made on a second
  // thread while start-up goes on), then fonts 12 to 14: the pictures are
  // started first so that their thread overlaps everything below.
  MARK_LINE();
  ui::RegisterPngDecoder();
  LoadMainWindowPictures();
  STARTUP_STEP("pictures started");
  MARK_LINE();
  ui::MakeFont(12, "Arial", 8, 0);
  ui::MakeFont(13, "Arial", 8, ui::kFontBold);
  ui::MakeFont(14, "Arial", 7, 0);
  STARTUP_STEP("fonts");
  // The catalogue is read before the window exists (no one sees the order),
  // so that the icons of its first entries are taken on another thread
  // while the settings are read and the main window is built.
  MARK_LINE();
  catalogue::LoadCatalogue();
  catalogue::StartIconPrefetch(kPrefetchedIcons);
  STARTUP_STEP("catalogue");
  // Settings (displays, placement, font 11, skin images), the main window
  // hidden with its controls, the first icons joined, the list filled, and
  // only then the window shown, so that its first paint shows every entry.
  MARK_LINE();
  settings::LoadSettings();
  STARTUP_STEP("settings");
  MARK_LINE();
  CreateMainWindow();
  STARTUP_STEP("main window");
  MARK_LINE();
  catalogue::EndIconPrefetch();
  STARTUP_STEP("icons joined");
  MARK_LINE();
  catalogue::FillProgramList(89, catalogue::ListContents::kLive);
  STARTUP_STEP("list filled");
  MARK_LINE();
  PullMainWindowOntoScreen();
  PresentMainWindow();
  STARTUP_STEP("window shown");

  // Docking.
  MARK_LINE();
  ui::SetMessageHook(DockingHook);
  // Not needed for the first paint; still done before the first event is
  // handed out, so nothing reacts differently (the tick starts in there).
  ui::RunBeforeFirstEvent(FinishStartup);

  // The main loop, until the user quits.
  RunMainLoop();
  Quit();
}

void Quit() {
  MARK_LINE();
  ui::CloseProgramWindow(60);
  ExitPath();
}

namespace {

[[noreturn]] void LeaveThroughExitPath(bool afterFault) {
  // The tick runs on its own thread and draws into the strip: nothing it
  // uses may go before the timers are stopped.
  ui::TimerShutdown();
  settings::ReleaseBackgrounds();
  ui::TrayShutdown();
  ui::FileDropShutdown();
  if (afterFault) {
    preference::Abandon();
  } else {
    preference::Close();
  }
  RestoreErrorTrap();
  ui::ImagesShutdown();
  ui::WindowsShutdown();
  ui::ControlsShutdown();
  ui::MenusShutdown();
  ui::FontsShutdown();
  ui::DisplaysShutdown();
  ui::DrawingShutdown();
  ExitProcess(0);
}

}  // namespace

void ExitPath() { LeaveThroughExitPath(false); }

void ExitAfterFault() { LeaveThroughExitPath(true); }

}  // namespace app
