#include "catalogue/remove_dialog.h"

#include <windows.h>

#include <string>
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

void Log(const std::string& line) {
  ui::AddControlItem(kLog, -1, line.c_str());
  // Deleting a large folder keeps the loop busy; the lines so far show meanwhile.
  if (HWND log = ui::ControlHandle(kLog)) UpdateWindow(log);
}

// Closed at once rather than left open until the next use of the
// preference module, so that the removal is on the disk even if the
// program never reaches its exit path. False when the group is still in the
// file: the file could not be read or not be written. A missing file holds
// no group, so there is nothing to fail.
bool RemoveGroupFromFile(const std::string& name) {
  const std::string path = settings::StartDirectoryFile(kCatalogueFileName);
  if (preference::Open(path.c_str())) {
    preference::RemoveGroup(name.c_str());
    return preference::Close() != 0;
  }
  preference::Close();
  return !preference::Unreadable(path.c_str());
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

void RunRemoval() {
  MARK_LINE();
  ui::ClearControlItems(kLog);
  const bool deleteFolders = ui::GetControlState(kDeleteFolders) == 1;
  const std::vector<std::string> staying = deleteFolders ? ProgramsStaying() : std::vector<std::string>();
  bool removedAny = false;
  bool saveFailed = false;
  // From the end, so that removing an item leaves the indices still to be
  // visited in place.
  for (int i = ui::CountControlItems(kList) - 1; i >= 0; --i) {
    if (!(ui::GetControlItemState(kList, i) & ui::kItemChecked) || i >= gCatalogue.Count()) continue;
    MARK_LINE();
    gCatalogue.SelectIndex(i);
    const std::string name = gCatalogue.Current()->Name;
    const std::string folder = gCatalogue.Current()->Folder;
    Log(kLogRemoving + name);
    if (!RemoveGroupFromFile(name)) saveFailed = true;
    Log(kLogOk);
    if (deleteFolders) {
      Log(kLogDeleting);
      MARK_LINE();
      // RemoveTree itself refuses a drive root, the start directory and
      // folders holding it, links, and names that could lead outside.
      if (!MayDeleteFolder(folder, staying) || storage::RemoveTree(folder.c_str(), "", kRemoveTreeFlags) == 0)
        Log(kLogFailed);
    }
    gCatalogue.SelectIndex(i);
    gCatalogue.RemoveCurrent();
    ui::RemoveControlItem(kList, i);
    removedAny = true;
  }
  MARK_LINE();
  FillProgramList(kMainList, ContentsBesideAddChangeDialog());
  FillProgramList(kList, ContentsBesideAddChangeDialog());
  if (removedAny) AddChangeCatalogueChanged();
  if (saveFailed) settings::ReportSaveFailure(kCatalogueFileName);
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
