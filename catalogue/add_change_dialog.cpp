#include "catalogue/add_change_dialog.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "catalogue/catalogue_store.h"
#include "catalogue/program_list.h"
#include "catalogue/remove_dialog.h"
#include "catalogue/text_ops.h"
#include "settings/settings.h"
#include "storage/launch.h"
#include "settings/settings_store.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/standard_dialogs.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesAddChangeDialog)

namespace catalogue {

int32_t gCurrentEntryIndex = 0;

namespace {

using settings::gSettings;

constexpr int kMainWindow = 60;
constexpr int kMainList = 89;
constexpr int kWindow = 62;

constexpr int kList = 91;
constexpr int kMoveDown = 50;
constexpr int kMoveUp = 51;
constexpr int kNameField = 79;
constexpr int kProgramField = 80;
constexpr int kChooseProgram = 47;
constexpr int kIconField = 81;
constexpr int kChooseIcon = 48;
constexpr int kRemoveNew = 54;
constexpr int kAddNew = 49;

constexpr int kTitleIcon = 19;
constexpr int kPlaceholderImage = 15;
constexpr int kFont = 12;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr uint32_t kInformationIcon = 64;

constexpr char kTitle[] = "Programm(e) hinzufügen / ändern";
constexpr char kNameCaption[] = "Name des Programmes";
constexpr char kProgramCaption[] = "Speicherort der Datei";
constexpr char kIconCaption[] = "Icon oder Datei";
constexpr char kRemoveNewTip[] = "Neu erstelltes Programm entfernen";
constexpr char kAddNewTip[] = "Neues Programm hinzufügen";
constexpr char kProgramRequesterTitle[] = "Speicherort der Datei:";
constexpr char kProgramFilter[] = "Programme (*.exe;*.com;*.bat)|*.exe;*.com;*.bat";
constexpr char kIconRequesterTitle[] = "Speicherort des Icons:";
constexpr char kIconFilter[] = "Icons (*.ico;*.exe)|*.ico;*.exe";
constexpr char kIncomplete[] = "Es sind noch nicht alle Angaben gemacht!";
constexpr char kIconExtension[] = "exe";

// "" until the user chose a file in either requester.
std::string gChosenFolder;

// Whether the fields show an entry that the name field and the two file
// buttons may change. Without it (an empty catalogue, after removing new
// entries, after the remove dialog changed the catalogue) CurrentEntryIndex
// may name an entry the user no longer sees, or none at all.
bool gEditing = false;

HANDLE Placeholder() { return ui::ImageHandle(kPlaceholderImage); }

void ClearFields() {
  ui::SetControlText(kNameField, "");
  ui::SetControlText(kProgramField, "");
  ui::SetControlText(kIconField, "");
}

// Leaves the dialog without an entry to edit until the list selects one.
void StopEditing() {
  gEditing = false;
  ClearFields();
  ui::DisableControl(kNameField, 1);
}

// A requester or message box confirmed with Enter leaves that key held, or
// marked as pressed since the last query. The main loop would take it for a
// new Enter in the name field once the focus is back there and open the
// program requester again.
void ForgetEnterPress() {
  const DWORD start = GetTickCount();
  while ((GetAsyncKeyState(VK_RETURN) & 0x8000) && GetTickCount() - start < 1000) Sleep(10);
  GetAsyncKeyState(VK_RETURN);
}

bool CanChangeEntry() { return gEditing && gCatalogue.Count() > 0; }

AppEntry& EntryBeingEdited() {
  gCatalogue.SelectIndex(gCurrentEntryIndex);
  return *gCatalogue.Current();
}

// After adding, moving or removing entries, item i of the remove dialog's
// list would stand for another entry than the one it shows.
void RefillListsAfterReorder() {
  FillProgramList(kList, ListContents::kLive);
  RemoveDialogCatalogueChanged();
}

bool CreateDialogWindow() {
  MARK_LINE();
  if (!ui::CreateProgramWindow(kWindow, 0, 0, 400, 160, kTitle, ui::kTitleBar | ui::kCloseBox | ui::kCentreOnScreen,
                               ui::WindowHandle(kMainWindow)))
    return false;
  HWND window = ui::WindowHandle(kWindow);
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ui::ImageHandle(kTitleIcon)));

  MARK_LINE();
  if (!ui::UseControlParent(window)) return false;
  ui::SetControlFont(-1, ui::FontHandle(kFont));
  ui::CreateIconList(kList, 8, 8, 144, 116, "", 0, ui::kListShowSelectionAlways | ui::kListSmallIconView);
  ui::SetIconListView(kList, ui::kSmallIcons);
  ui::SetControlColour(kList, ui::kBackColour, kWhite);
  ui::CreateImageButton(kMoveDown, 7, 129, 72, 24, ui::ImageHandle(32));
  ui::CreateImageButton(kMoveUp, 81, 129, 72, 24, ui::ImageHandle(33));
  ui::CreateTextControl(-1, 161, 8, 232, 16, kNameCaption, 0);
  ui::CreateEditField(kNameField, 160, 20, 232, 20, "", 0);
  ui::CreateTextControl(-1, 161, 48, 232, 16, kProgramCaption, 0);
  ui::CreateEditField(kProgramField, 160, 60, 196, 20, "", ui::kEditReadOnly);
  ui::CreateImageButton(kChooseProgram, 361, 59, 32, 22, ui::ImageHandle(30));
  ui::CreateTextControl(-1, 161, 88, 232, 16, kIconCaption, 0);
  ui::CreateEditField(kIconField, 160, 100, 196, 20, "", ui::kEditReadOnly);
  ui::CreateImageButton(kChooseIcon, 361, 99, 32, 22, ui::ImageHandle(30));
  ui::CreateImageButton(kRemoveNew, 159, 129, 116, 24, ui::ImageHandle(27));
  ui::SetControlToolTip(kRemoveNew, kRemoveNewTip);
  ui::CreateImageButton(kAddNew, 277, 129, 116, 24, ui::ImageHandle(31));
  ui::SetControlToolTip(kAddNew, kAddNewTip);
  if (gCatalogue.Count() == 0) ui::DisableControl(kNameField, 1);
  return true;
}

void OnListEvent() {
  MARK_LINE();
  const int selected = static_cast<int>(ui::GetControlState(kList));
  if (selected < 0 || selected >= gCatalogue.Count()) return;
  gCurrentEntryIndex = selected;
  gCatalogue.SelectIndex(selected);
  const AppEntry& entry = *gCatalogue.Current();
  gEditing = true;
  ui::DisableControl(kNameField, 0);
  ui::SetControlText(kNameField, entry.Name.c_str());
  if (!entry.FileName.empty()) {
    ui::SetControlText(kProgramField, ProgramLongForm(entry, gSettings.ProgramDrive).c_str());
    ui::SetControlToolTip(kProgramField, (entry.Folder + entry.FileName).c_str());
  } else {
    ui::SetControlText(kProgramField, "");
  }
  ui::SetControlText(kIconField, entry.IconFile.empty() ? "" : IconShortForm(entry).c_str());
}

void OnNameFieldEvent(int type) {
  MARK_LINE();
  if (!CanChangeEntry()) return;
  const std::string text = ui::GetControlText(kNameField);
  // A refill drops the list's selection, so it waits for a name that shows
  // something new. Neither the field's echo of a text the program set nor
  // the focus leaving (mostly by a click into the list, whose selection is
  // made before this event arrives) may swallow a selection. Entering the
  // field still refills, which leaves no item selected.
  // Such an event leaves the cursor where it is, too: a click on
  // "Neu" takes the focus from the field first, and the new entry must land
  // where the last refill or list click left the cursor, not beside the
  // entry being named.
  const int edited = std::clamp(gCurrentEntryIndex, 0, gCatalogue.Count() - 1);
  if (text == gCatalogue.At(edited).Name && type != ui::kFocusGained) return;
  EntryBeingEdited().Name = text;
  FillProgramList(kList, ListContents::kLive);
}

// The chosen path, or "" when cancelled; a choice moves the requester folder.
std::string Choose(const char* title, const char* filter) {
  MARK_LINE();
  const std::string chosen = ui::ChooseFileToOpen(title, RequesterFolder().c_str(), filter, 0);
  ForgetEnterPress();
  if (!chosen.empty()) gChosenFolder = PathPart(chosen);
  return chosen;
}

// A program file chosen in the requester or dropped onto the main window
// also gives the entry its icon.
void TakeProgramFile(AppEntry& entry, const std::string& path) {
  entry.FileName = FilePart(path);
  entry.Folder = PathPart(path);
  entry.IconFile = path;
  HICON icon = ExtractFirstIcon(path);
  entry.Icon = icon != nullptr ? static_cast<HANDLE>(icon) : Placeholder();
}

void ShowProgramFile(const AppEntry& entry) {
  ui::SetControlText(kProgramField, ProgramLongForm(entry, gSettings.ProgramDrive).c_str());
  ui::SetControlText(kIconField, IconShortForm(entry).c_str());
}

void ChooseProgramFile() {
  if (!CanChangeEntry()) return;
  const std::string chosen = Choose(kProgramRequesterTitle, kProgramFilter);
  if (chosen.empty()) return;
  MARK_LINE();
  AppEntry& entry = EntryBeingEdited();
  TakeProgramFile(entry, chosen);
  ShowProgramFile(entry);
  const std::string tip = entry.Folder + entry.FileName;
  FillProgramList(kList, ListContents::kLive);
  ui::SetControlToolTip(kProgramField, tip.c_str());
}

void ChooseIconFile() {
  if (!CanChangeEntry()) return;
  const std::string chosen = Choose(kIconRequesterTitle, kIconFilter);
  if (chosen.empty()) return;
  MARK_LINE();
  AppEntry& entry = EntryBeingEdited();
  entry.IconFile = chosen;
  HANDLE icon = nullptr;
  // Exactly lower case: a program named "X.EXE" goes to the image loader,
  // which cannot read it, and ends up with the placeholder.
  if (Extension(chosen) == kIconExtension) {
    icon = ExtractFirstIcon(chosen);
  } else {
    icon = LoadIconImage(chosen);
  }
  entry.Icon = icon != nullptr ? icon : Placeholder();
  ui::SetControlText(kIconField, IconShortForm(entry).c_str());
  FillProgramList(kList, ListContents::kLive);
}

void AddNewEntry() {
  MARK_LINE();
  // The field may be off because the catalogue was empty or nothing was
  // selected; the new entry is what it edits now.
  ui::DisableControl(kNameField, 0);
  ClearFields();
  AppEntry& entry = gCatalogue.Add();
  entry.Icon = Placeholder();
  entry.IsNew = 1;
  gCurrentEntryIndex = gCatalogue.CursorIndex();
  gEditing = true;
  RefillListsAfterReorder();
  ui::SetControlState(kList, gCurrentEntryIndex);
  ui::FocusControl(kNameField);
}

// delta +1 moves the selected entry down, -1 up.
void MoveSelected(int delta) {
  MARK_LINE();
  const int selected = static_cast<int>(ui::GetControlState(kList));
  const int target = selected + delta;
  if (selected < 0 || target < 0 || target >= gCatalogue.Count()) return;
  gCatalogue.Swap(selected, target);
  // The list rule says the same once the selection below is reported; the
  // fields must not edit the entry that took the old place meanwhile.
  gCurrentEntryIndex = target;
  RefillListsAfterReorder();
  ui::SetControlState(kList, target);
}

void RemoveNewEntries() {
  MARK_LINE();
  for (int i = ui::CountControlItems(kList) - 1; i >= 0; --i) {
    if (!(ui::GetControlItemState(kList, i) & ui::kItemSelected) || i >= gCatalogue.Count()) continue;
    gCatalogue.SelectIndex(i);
    if (gCatalogue.Current()->IsNew != 1) continue;
    gCatalogue.RemoveCurrent();
    ui::RemoveControlItem(kList, i);
  }
  StopEditing();
  RefillListsAfterReorder();
}

}  // namespace

std::string RequesterFolder() { return gChosenFolder.empty() ? gSettings.StartDirectory : gChosenFolder; }

void OpenAddChangeDialog() {
  MARK_LINE();
  gEditing = false;
  if (!CreateDialogWindow()) return;
  // From now on entries change under the other lists, which go on showing
  // what they were filled with until the dialog closes.
  SnapshotLiveListsExcept(kList);
  FillProgramList(kList, ListContents::kLive);
  if (gCatalogue.Count() == 0) return;

  MARK_LINE();
  gCatalogue.SelectIndex(0);
  const AppEntry& entry = *gCatalogue.Current();
  // The selection below shows entry 0 again when it is reported; until then
  // the fields already edit it.
  gCurrentEntryIndex = 0;
  gEditing = true;
  const std::string& drive = gSettings.ProgramDrive;
  ui::SetControlText(kNameField, entry.Name.c_str());
  ui::SetControlText(kProgramField, entry.FileName.empty() ? "" : ProgramOpeningForm(entry, drive).c_str());
  if (!entry.IconFile.empty())
    ui::SetControlText(kIconField, entry.IconFile == entry.FileName ? "" : IconOpeningForm(entry, drive).c_str());
  ui::SetControlState(kList, 0);
}

void AddChangeControlEvent(int control, int type) {
  // Events queued before the window closed still arrive; a missing field
  // would read as an empty name.
  if (!ui::ControlExists(control)) return;
  switch (control) {
    case kList:
      OnListEvent();
      break;
    case kNameField:
      OnNameFieldEvent(type);
      break;
    case kChooseProgram:
      ChooseProgramFile();
      break;
    case kChooseIcon:
      ChooseIconFile();
      break;
    case kAddNew:
      AddNewEntry();
      break;
    case kMoveDown:
      MoveSelected(+1);
      break;
    case kMoveUp:
      MoveSelected(-1);
      break;
    case kRemoveNew:
      RemoveNewEntries();
      break;
    default:
      break;
  }
}

void AddChangeEnterKey() {
  if (!ui::ControlExists(kNameField)) return;
  ChooseProgramFile();
}

void AddDroppedPrograms(const std::vector<std::string>& paths) {
  MARK_LINE();
  if (paths.empty() || !ui::ControlExists(kList)) return;
  for (const std::string& path : paths) {
    // After everything the list shows, in the order of the drop.
    gCatalogue.SelectIndex(gCatalogue.Count());
    AppEntry& entry = gCatalogue.Add();
    TakeProgramFile(entry, path);
    entry.Name = NameFromFile(path);
    entry.IsNew = 1;
    gCurrentEntryIndex = gCatalogue.CursorIndex();
    gChosenFolder = PathPart(path);
  }
  MARK_LINE();
  // The fields edit the last dropped entry, as after choosing its file.
  const AppEntry& last = gCatalogue.At(gCurrentEntryIndex);
  gEditing = true;
  ui::DisableControl(kNameField, 0);
  ui::SetControlText(kNameField, last.Name.c_str());
  ShowProgramFile(last);
  const std::string tip = last.Folder + last.FileName;
  RefillListsAfterReorder();
  ui::SetControlToolTip(kProgramField, tip.c_str());
  ui::SetControlState(kList, gCurrentEntryIndex);
  ui::ActivateProgramWindow(kWindow);
}

void AddChangeCloseRequest() {
  MARK_LINE();
  if (ui::WindowHandle(kWindow) == nullptr) return;
  const std::string title = settings::TitleWithVersion();
  std::vector<std::string> messages;
  // A walk over the whole catalogue like any other: it leaves the cursor on
  // the last entry, so that "Neu" after a refused close appends.
  gCatalogue.ForEach([&messages](const AppEntry& entry) {
    if (entry.Name.empty() || entry.FileName.empty() || entry.IconFile.empty()) messages.push_back(kIncomplete);
  });
  // Entries without a name are reported above already; as twins of one
  // another they would only repeat it.
  for (const auto& clash : CatalogueNameClashes()) {
    const std::string& name = gCatalogue.At(clash.second).Name;
    if (!name.empty()) messages.push_back("Der Name \"" + name + "\" ist doppelt vergeben!");
  }
  if (!messages.empty()) {
    for (const std::string& text : messages) ui::ShowMessage(title.c_str(), text.c_str(), kInformationIcon);
    ForgetEnterPress();
    return;
  }

  MARK_LINE();
  gCatalogue.ForEach([](AppEntry& entry) { entry.IsNew = 0; });
  // The window closes either way: a write-protected stick must not trap the
  // user here, and the catalogue in memory serves the rest of the run.
  if (!SaveCatalogue()) settings::ReportSaveFailure(kCatalogueFileName);
  gEditing = false;
  ui::CloseProgramWindow(kWindow);
  FillProgramList(kMainList, ListContents::kLive);
}

bool AddChangeDialogOpen() { return ui::ControlExists(kList) != 0; }

void AddChangeCatalogueChanged() {
  if (!ui::ControlExists(kList)) return;
  StopEditing();
  FillProgramList(kList, ListContents::kLive);
}

}  // namespace catalogue
