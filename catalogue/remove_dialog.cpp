#include "catalogue/remove_dialog.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/add_change_dialog.h"
#include "catalogue/catalogue_store.h"
#include "catalogue/program_list.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "storage/directory.h"
#include "storage/line_counter.h"
#include "storage/preference_file.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/standard_dialogs.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesRemoveDialog)

namespace catalogue {

namespace {

constexpr int kMainWindow = 60;
constexpr int kMainList = 89;
constexpr int kWindow = 63;

constexpr int kList = 90;
constexpr int kLog = 59;
constexpr int kDeleteFolders = 9;
constexpr int kRemove = 45;

constexpr int kTitleIcon = 18;
constexpr int kFont = 12;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kBlack = 0;
// Every name, descending into sub-folders, read-only files included.
constexpr int kRemoveTreeFlags = 1 | 2;

constexpr char kTitle[] = "Programm(e) entfernen";
constexpr char kHintFirst[] = "Markieren Sie die Programme";
constexpr char kHintSecond[] = "die Sie entfernen wollen!";
constexpr char kDeleteFoldersCaption[] = "Verzeichnis(e) löschen";
constexpr char kRemoveTip[] = "Programm(e) löschen";
constexpr char kLogRemoving[] = "Entferne... ";
constexpr char kLogOk[] = "Ok!";
constexpr char kLogDeleting[] = "Lösche Verzeichnis...";
constexpr char kLogFailed[] = "Fehler!";

// A line shows at once when the run is about to take a while (a folder is
// deleted next); otherwise at most every few dozen milliseconds, so that a
// thousand entries do not cost a thousand repaints.
constexpr DWORD kLogRepaintMs = 30;
DWORD gLogPainted = 0;

// Between two showings the log does not redraw: a list box that redraws
// puts its scroll bar on the screen again for every line it gets, about
// 10 ms a line under Wine.
bool gLogFrozen = false;

// Given back its redraw, a list box sets up both scroll bars, and as each
// one that appears narrows the other's room, it draws them both again: six
// scroll bars, about 8 ms each under Wine, for a log that has just outgrown
// its box. So the list box is hidden from itself meanwhile, as the system's
// own redraw switch does (the window's style alone, nothing is repainted),
// and its frame is drawn once, scroll bars and all, when it shows.
void ShowLog() {
  HWND log = ui::ControlHandle(kLog);
  if (!log) return;
  DefWindowProcW(log, WM_SETREDRAW, FALSE, 0);
  SendMessageW(log, WM_SETREDRAW, TRUE, 0);
  DefWindowProcW(log, WM_SETREDRAW, TRUE, 0);
  gLogFrozen = false;
  RedrawWindow(log, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void Log(const std::string& line, bool showNow = false) {
  HWND log = ui::ControlHandle(kLog);
  if (log && !gLogFrozen) {
    SendMessageW(log, WM_SETREDRAW, FALSE, 0);
    gLogFrozen = true;
  }
  ui::AddControlItem(kLog, -1, line.c_str());
  const DWORD now = GetTickCount();
  if (!showNow && now - gLogPainted < kLogRepaintMs) return;
  gLogPainted = now;
  ShowLog();
}

// Called while a folder is deleted: the windows keep painting and answering
// the system, so that none turns into a window that "does not respond", but
// input is dropped, since the run is not one that a click could join.
// Everything else waits in the queue for the main loop.
constexpr DWORD kPumpMs = 20;
DWORD gPumped = 0;

void KeepPainting(void* /*context*/) {
  const DWORD now = GetTickCount();
  if (now - gPumped < kPumpMs) return;
  gPumped = now;
  MSG msg;
  // Any peek also serves the messages other threads and programs send.
  while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  while (PeekMessageW(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE)) {
  }
  // Bounded, in case a window never validates what it was asked to paint.
  for (int i = 0; i < 64 && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) DispatchMessageW(&msg);
}

struct Removal {
  int index;
  std::string name;
  std::string folder;
  bool mayDeleteFolder;
};

// The whole run in one rewrite of the file. False when a group may still be
// in the file: it could not be read or not be written. A missing file holds
// no group, so there is nothing to fail. Closed at once rather than left open
// until the next use of the preference module, so that the removal is on the
// disk before any folder goes, and even if the program never reaches its
// exit path.
bool RemoveGroupsFromFile(const std::vector<Removal>& removals) {
  if (removals.empty()) return true;
  const std::string path = settings::StartDirectoryFile(kCatalogueFileName);
  if (!preference::Open(path.c_str())) {
    preference::Close();
    return !preference::Unreadable(path.c_str());
  }
  for (const Removal& removal : removals) preference::RemoveGroup(removal.name.c_str());
  return preference::Close() != 0;
}

// Programs of entries that stay after this run: a folder holding one of them
// is not deleted, whatever else it holds.
std::vector<std::string> ProgramsStaying() {
  std::vector<std::string> programs;
  const int items = ui::CountControlItems(kList);
  for (int i = 0; i < gCatalogue.Count(); ++i) {
    if (i < items && (ui::GetControlItemState(kList, i) & ui::kItemChecked)) continue;
    const AppEntry& entry = gCatalogue.At(i);
    if (!entry.FileName.empty()) programs.push_back(entry.Folder + entry.FileName);
  }
  return programs;
}

// Only a program folder on the launcher's own drive may go; one picked from
// another drive during the session (a downloads folder, say) is the user's,
// not the stick's.
bool MayDeleteFolder(const std::string& folder, const std::vector<std::string>& staying) {
  if (!storage::PathIsWithin(folder.c_str(), settings::gSettings.ProgramDrive.c_str())) return false;
  for (const std::string& program : staying)
    if (storage::PathIsWithin(program.c_str(), folder.c_str())) return false;
  return true;
}

// "T:\\" and "\\" keep theirs.
std::string WithoutTrailingBackslash(std::string folder) {
  if (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':') folder.pop_back();
  return folder;
}

// "12.345", as German numbers are grouped.
std::string Grouped(int64_t n) {
  std::string digits = std::to_string(n);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ".");
  return digits;
}

std::string FileCount(int64_t files) {
  if (files == 0) return "keine Dateien";
  if (files == 1) return "1 Datei";
  return Grouped(files) + " Dateien";
}

// A folder's log line: its path on the stick, without the drive, which may
// change from one start to the next; a long one keeps its end, which names
// the program, as far as the log's width goes.
constexpr size_t kLogFolderChars = 26;
std::string LogFolderLine(const std::string& folder) {
  std::string shown = folder;
  const std::string& drive = settings::gSettings.ProgramDrive;
  if (!drive.empty() && shown.size() >= drive.size() && _strnicmp(shown.c_str(), drive.c_str(), drive.size()) == 0 &&
      (shown.size() == drive.size() || shown[drive.size()] == '\\'))
    shown.erase(0, drive.size());
  shown = WithoutTrailingBackslash(shown);
  if (shown.empty()) shown = "\\";
  if (shown.size() > kLogFolderChars) {
    std::string tail = shown.substr(shown.size() - (kLogFolderChars - 3));
    const size_t cut = tail.find('\\');
    if (cut != std::string::npos && cut + 1 < tail.size()) tail.erase(0, cut);
    shown = "..." + tail;
  }
  return shown;
}

constexpr size_t kQuestionFolders = 10;
constexpr uint32_t kQuestionFlags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;

// A stick has no recycle bin, and a program kept among documents takes them
// all along, so the folders that would go are named, with how much they hold,
// before the first one goes. Folders that would be refused anyway are not
// offered. False when the user answers "Nein".
bool ConfirmFolderDeletion(const std::vector<Removal>& removals) {
  std::vector<std::pair<std::string, int64_t>> folders;
  for (const Removal& removal : removals) {
    if (!removal.mayDeleteFolder) continue;
    bool listed = false;
    for (const auto& folder : folders)
      if (_stricmp(folder.first.c_str(), removal.folder.c_str()) == 0) listed = true;
    if (listed) continue;
    const int64_t files = storage::CountTree(removal.folder.c_str(), "", kRemoveTreeFlags);
    if (files >= 0) folders.emplace_back(removal.folder, files);
  }
  if (folders.empty()) return true;
  std::string text = folders.size() == 1 ? "Das folgende Verzeichnis wird mit allen Dateien gelöscht:\n\n"
                                         : "Die folgenden Verzeichnisse werden mit allen Dateien gelöscht:\n\n";
  for (size_t i = 0; i < folders.size() && i < kQuestionFolders; ++i)
    text += WithoutTrailingBackslash(folders[i].first) + " (" + FileCount(folders[i].second) + ")\n";
  if (folders.size() > kQuestionFolders) {
    const size_t more = folders.size() - kQuestionFolders;
    text += more == 1 ? "... und 1 weiteres Verzeichnis\n" : "... und " + Grouped(static_cast<int64_t>(more)) + " weitere Verzeichnisse\n";
  }
  text += "\nBei \"Nein\" werden nur die Einträge entfernt.\nFortfahren?";
  const std::string title = settings::TitleWithVersion();
  return ui::ShowMessage(title.c_str(), text.c_str(), kQuestionFlags) == IDYES;
}

void RunRemoval() {
  MARK_LINE();
  ui::ClearControlItems(kLog);
  bool deleteFolders = ui::GetControlState(kDeleteFolders) == 1;
  const std::vector<std::string> staying = deleteFolders ? ProgramsStaying() : std::vector<std::string>();
  // From the end, so that removing an item leaves the indices still to be
  // visited in place.
  std::vector<Removal> removals;
  for (int i = ui::CountControlItems(kList) - 1; i >= 0; --i) {
    if (!(ui::GetControlItemState(kList, i) & ui::kItemChecked) || i >= gCatalogue.Count()) continue;
    const AppEntry& entry = gCatalogue.At(i);
    removals.push_back({i, entry.Name, entry.Folder, deleteFolders && MayDeleteFolder(entry.Folder, staying)});
  }
  MARK_LINE();
  if (deleteFolders && !removals.empty() && !ConfirmFolderDeletion(removals)) deleteFolders = false;
  const bool written = RemoveGroupsFromFile(removals);
  for (const Removal& removal : removals) {
    MARK_LINE();
    Log(kLogRemoving + removal.name);
    Log(written ? kLogOk : kLogFailed);
    if (deleteFolders) {
      Log(kLogDeleting);
      Log(LogFolderLine(removal.folder), true);
      MARK_LINE();
      // RemoveTree itself refuses a drive root, the start directory and
      // folders holding it, links, and names that could lead outside.
      if (!removal.mayDeleteFolder ||
          storage::RemoveTree(removal.folder.c_str(), "", kRemoveTreeFlags, KeepPainting, nullptr) == 0)
        Log(kLogFailed);
    }
  }
  // The entries leave the catalogue together, in one pass: one by one, each
  // moved every entry behind it. Until then the lists, which paint while
  // folders are deleted, show the catalogue they were filled from.
  std::vector<int> indices;
  indices.reserve(removals.size());
  for (const Removal& removal : removals) indices.push_back(removal.index);
  gCatalogue.RemoveEntries(indices);
  MARK_LINE();
  ShowLog();
  FillProgramList(kMainList, ContentsBesideAddChangeDialog());
  FillProgramList(kList, ContentsBesideAddChangeDialog());
  if (!removals.empty()) AddChangeCatalogueChanged();
  if (!written) settings::ReportSaveFailure(kCatalogueFileName);
}

}  // namespace

void OpenRemoveDialog() {
  MARK_LINE();
  if (!ui::CreateProgramWindow(kWindow, 0, 0, 320, 220, kTitle, ui::kTitleBar | ui::kCloseBox | ui::kCentreOnScreen,
                               ui::WindowHandle(kMainWindow)))
    return;
  HWND window = ui::WindowHandle(kWindow);
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ui::ImageHandle(kTitleIcon)));

  MARK_LINE();
  if (!ui::UseControlParent(window)) return;
  ui::SetControlFont(-1, ui::FontHandle(kFont));
  ui::CreateIconList(kList, 8, 8, 150, 160, "", 160,
                     ui::kListCheckBoxes | ui::kListMultiSelect | ui::kListShowSelectionAlways |
                         ui::kListSmallIconView);
  ui::SetIconListView(kList, ui::kSmallIcons);
  ui::SetControlColour(kList, ui::kBackColour, kWhite);
  ui::CreateTextList(kLog, 162, 8, 150, 160, 0);
  ui::SetControlColour(kLog, ui::kBackColour, kBlack);
  ui::SetControlColour(kLog, ui::kFrontColour, kWhite);
  ui::AddControlItem(kLog, -1, kHintFirst);
  ui::AddControlItem(kLog, -1, kHintSecond);
  ui::CreateCheckBox(kDeleteFolders, 8, 170, 160, 18, kDeleteFoldersCaption, 0);
  ui::CreateImageButton(kRemove, 7, 188, 306, 24, ui::ImageHandle(29));
  ui::SetControlToolTip(kRemove, kRemoveTip);

  MARK_LINE();
  FillProgramList(kList, ContentsBesideAddChangeDialog());
}

void RemoveDialogControlEvent(int control, int /*type*/) {
  // A button reports nothing but presses.
  if (control != kRemove || !ui::ControlExists(kList)) return;
  RunRemoval();
}

void RemoveDialogCatalogueChanged() {
  if (ui::ControlExists(kList)) FillProgramList(kList, ContentsBesideAddChangeDialog());
}

}  // namespace catalogue
