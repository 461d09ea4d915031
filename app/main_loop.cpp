#include "app/main_loop.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/launcher.h"
#include "app/main_window.h"
#include "catalogue/add_change_dialog.h"
#include "catalogue/catalogue_store.h"
#include "catalogue/program_list.h"
#include "catalogue/remove_dialog.h"
#include "catalogue/text_ops.h"
#include "settings/info_dialog.h"
#include "settings/password_prompt.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"
#include "storage/directory.h"
#include "storage/launch.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/file_drop.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesMainLoop)

namespace app {
namespace {

using settings::gSettings;

constexpr int kAddChangeWindow = 62;

// A key counts as pressed when it is held now (the asynchronous key state)
// or when this loop fetched a key-down message for `window` since the last
// query. The asynchronous "pressed since" bit is not used: it is
// documented as unreliable, and some systems answer a query from a state
// cached just before the key arrived and keep the bit for a later query, so
// that a press was lost at once and acted on long after (the window hidden
// again as soon as it was shown). Every key is queried on every iteration,
// so that a press that reached another window is not acted on later.
bool KeyPressed(int vk, int window) {
  const bool fetched = ui::TakeKeyDown(vk, ui::WindowHandle(window));
  return (GetAsyncKeyState(vk) & 0x8000) || fetched;
}

// Starts the system's drag-move of the caption-less main window. Only while
// the left button is down: a move command without it would start the
// keyboard move mode.
void StartDrag() {
  HWND main = ui::WindowHandle(kMainWindow);
  if (!main || !(GetKeyState(VK_LBUTTON) & 0x8000)) return;
  ReleaseCapture();
  SendMessageA(main, WM_SYSCOMMAND, 0xF012, 0);
}

// A press on the window's own background, the banner, the strip or the
// button column's background drags the window; presses on the buttons and
// the list stay theirs, since they are the only way to the commands.
bool PressStartsDrag() {
  HWND main = ui::WindowHandle(kMainWindow);
  POINT pt;
  if (!main || !GetCursorPos(&pt)) return false;
  // The innermost window under the pointer: a button inside the column
  // must not count as the column.
  HWND under = WindowFromPoint(pt);
  return under == main || under == ui::ControlHandle(kBanner) || under == ui::ControlHandle(kStatusStrip) ||
         under == ui::ControlHandle(kButtonColumn);
}

// The banner as the main window's child under the pointer, and nothing of
// another window above it there: a press on a dialog lying over the banner
// is the dialog's.
bool BannerUnderPointer() {
  HWND banner = ui::ControlHandle(kBanner);
  POINT pt;
  if (!banner || ControlUnderPointer(ui::WindowHandle(kMainWindow)) != banner || !GetCursorPos(&pt)) return false;
  return WindowFromPoint(pt) == banner;
}

// A double click on an item, or Enter with the keyboard in the list. While
// the add/change dialog is open the list is a snapshot, and the entry now at
// the item's place may be another one: the item's own program starts. The
// catalogue's cursor stays where the dialog left it, since it decides where
// the dialog's next new entry goes.
void Launch(int type) {
  MARK_LINE();
  if (type != ui::kLeftDoubleClick && type != ui::kEnterKey) return;
  const int index = static_cast<int>(ui::GetControlState(kProgramList));
  const std::string program = catalogue::ProgramFileOfListItem(kProgramList, index);
  if (program.empty()) return;
  std::string path = storage::NativeSystemPath(program);
  MARK_LINE();
  if (storage::PathSize(path.c_str()) != -1) storage::StartProgram(path.c_str(), "", "", 0);
}

// Commands 1, 2 and 4 ask for the password once per run when one is set.
bool PasswordGate() {
  MARK_LINE();
  if (gSettings.AccessGranted == 0) {
    ui::DisableProgramWindow(kMainWindow, 1);
    settings::RunPasswordPrompt();
    ui::DisableProgramWindow(kMainWindow, 0);
  }
  return gSettings.AccessGranted == 1;
}

// Program files dropped onto the main window become new entries of the
// add/change dialog, behind the same gate as its command button.
void OnFilesDropped() {
  MARK_LINE();
  std::vector<std::string> programs;
  for (const std::string& path : ui::TakeDroppedFiles()) {
    const DWORD attributes = GetFileAttributesA(storage::NativeSystemPath(path).c_str());
    if (catalogue::IsProgramFile(path) && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      programs.push_back(path);
  }
  if (programs.empty() || !PasswordGate()) return;
  if (!ui::WindowHandle(kAddChangeWindow)) catalogue::OpenAddChangeDialog();
  catalogue::AddDroppedPrograms(programs);
}

void OnControlEvent(int control, int type) {
  MARK_LINE();
  switch (control) {
    case kProgramList:
      Launch(type);
      break;
    case 1:
      if (PasswordGate()) catalogue::OpenAddChangeDialog();
      break;
    case 2:
      if (PasswordGate()) catalogue::OpenRemoveDialog();
      break;
    case 3:
      // By its full path: a bare name would find an explorer.exe planted
      // beside the launcher on the stick before the system's.
      storage::StartProgram(storage::WindowsFolderFile("explorer.exe").c_str(), gSettings.ProgramDrive.c_str(), "", 0);
      break;
    case 4:
      if (PasswordGate()) settings::OpenSettingsDialog();
      break;
    case 5:
      settings::OpenInfoDialog();
      break;
    case 6:
      ui::HideProgramWindow(kMainWindow, 1);
      break;
    case 7:
      Quit();
    case 38:
    case 39:
    case 43:
      settings::InfoControlEvent(control, type);
      break;
    case 47:
    case 48:
    case 49:
    case 50:
    case 51:
    case 54:
    case 79:
    case 91:
      catalogue::AddChangeControlEvent(control, type);
      break;
    case 45:
      catalogue::RemoveDialogControlEvent(control, type);
      break;
    case 10:
    case 52:
    case 53:
    case 66: case 67: case 68: case 69: case 70: case 71: case 72: case 73: case 74: case 75:
    case 82:
    case 83:
    case 84:
      settings::SettingsControlEvent(control, type);
      break;
    default:
      break;
  }
}

void OnCloseRequest() {
  MARK_LINE();
  int foreground = ui::ForegroundWindowNumber();
  if (foreground == kAddChangeWindow) {
    catalogue::AddChangeCloseRequest();
    return;
  }
  if (foreground == kMainWindow) {
    // Closing the main window would leave only the tray icon, which cannot
    // bring it back: it is hidden instead, as the hide command does.
    ui::HideProgramWindow(kMainWindow, 1);
    return;
  }
  ui::CloseProgramWindow(foreground);
  catalogue::FillProgramList(kProgramList, catalogue::ContentsBesideAddChangeDialog());
}

void OnMenuEvent(int item) {
  MARK_LINE();
  switch (item) {
    case 0:
      Quit();
    case 1:
    case 3:
    case 5:
    case 7:
    case 9:
      MoveToAlignment(item);
      break;
    default:
      break;
  }
}

}  // namespace

void RunMainLoop() {
  for (;;) {
    MARK_LINE();
    int event = ui::WaitForEvent(-1);
    int foreground = ui::ForegroundWindowNumber();

    MARK_LINE();
    bool escape = KeyPressed(VK_ESCAPE, kMainWindow);
    static const int kKeypad[5][2] = {{VK_NUMPAD1, 1}, {VK_NUMPAD3, 3}, {VK_NUMPAD5, 5}, {VK_NUMPAD7, 7}, {VK_NUMPAD9, 9}};
    int alignment = 0;
    for (const auto& k : kKeypad)
      if (KeyPressed(k[0], kMainWindow)) alignment = k[1];
    bool enter = KeyPressed(VK_RETURN, kAddChangeWindow);
    if (foreground == kMainWindow) {
      if (escape) ui::HideProgramWindow(kMainWindow, 1);
      if (alignment) MoveToAlignment(alignment);
    }
    if (foreground == kAddChangeWindow && enter && ui::FocusedControl() == 79) catalogue::AddChangeEnterKey();

    MARK_LINE();
    bool dragged = false;
    if (BannerUnderPointer() && (GetKeyState(VK_LBUTTON) & 0x8000)) {
      StartDrag();
      dragged = true;
    }

    switch (event) {
      case ui::kLeftButtonDown:
        if (!dragged && foreground == kMainWindow && PressStartsDrag()) StartDrag();
        break;
      case ui::kWindowCloseRequest:
        OnCloseRequest();
        break;
      case ui::kControlEvent:
        OnControlEvent(ui::EventSource(), ui::EventSubtype());
        break;
      case ui::kTrayEvent:
        if (ui::EventSubtype() == ui::kLeftDoubleClick)
          ShowMainWindow();
        else if (ui::EventSubtype() == ui::kRightClick)
          ui::ShowPopupMenu(kPopupMenu, ui::WindowHandle(kMainWindow));
        break;
      case ui::kMenuEvent:
        OnMenuEvent(ui::EventSource());
        FocusProgramList();
        break;
      case ui::kWindowActivated:
        if (ui::EventWindowNumber() == kMainWindow) FocusProgramList();
        break;
      case ui::kFilesDropped:
        OnFilesDropped();
        break;
      default:
        break;
    }
  }
}

}  // namespace app
