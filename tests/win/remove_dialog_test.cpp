// The remove dialog driven through its real controls and the event loop:
// what its log says, what leaves applications.dat, the catalogue and both
// lists, and which folders go.
#include "catalogue/remove_dialog.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/add_change_dialog.h"
#include "catalogue/catalogue_store.h"
#include "settings/settings.h"
#include "storage/directory.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using catalogue::gCatalogue;
using settings::gSettings;
using Strings = std::vector<std::string>;

constexpr int kMainList = 89, kDialog = 63, kList = 90, kLog = 59, kDeleteFolders = 9, kRemove = 45;
constexpr int kAddChange = 62, kAddChangeList = 91, kMoveDown = 50, kName = 79;

std::string gRoot;

using wine_test::ReadFile;
using wine_test::RepoPath;
using wine_test::To1252;
using wine_test::WriteFile;

bool Exists(const std::string& path) { return storage::PathSize(path.c_str()) != -1; }

// One turn of the main loop, as far as the two catalogue dialogs are concerned.
void Forward(int event) {
  if (event != ui::kControlEvent) return;
  const int c = ui::EventSource();
  if (c == kRemove) catalogue::RemoveDialogControlEvent(c, ui::EventSubtype());
  if (c == 47 || c == 48 || c == 49 || c == 50 || c == 51 || c == 54 || c == 79 || c == 91)
    catalogue::AddChangeControlEvent(c, ui::EventSubtype());
}

void Settle() { wine_test::PumpFor(Forward, 250); }

HWND Control(int n) { return ui::ControlHandle(n); }

void Press(int button) {
  PostMessageW(Control(button), BM_CLICK, 0, 0);
  Settle();
}

Strings LogLines() {
  Strings lines;
  HWND log = Control(kLog);
  const int count = static_cast<int>(SendMessageW(log, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    if (SendMessageW(log, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) < 256)
      SendMessageW(log, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    lines.push_back(To1252(text));
  }
  return lines;
}

Strings Items(int list) { return wine_test::ListViewItems(Control(list)); }

// A log that has outgrown its box is back on the screen, with its scroll bar,
// and nothing of it is left to paint.
void ExpectLogShownScrolling() {
  HWND log = Control(kLog);
  EXPECT_TRUE(IsWindowVisible(log));
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof bar;
  ASSERT_TRUE(GetScrollBarInfo(log, OBJID_VSCROLL, &bar));
  EXPECT_FALSE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  EXPECT_FALSE(GetUpdateRect(log, nullptr, FALSE));
}

constexpr char kMessageTitle[] = "Trovanto v1.0";
const std::string kSaveFailed =
    "Die Datei \"applications.dat\" konnte nicht gespeichert werden!\n\nDie \xC4nderungen gelten nur bis zum Beenden.";
const std::string kQuestionEnd = "\nBei \"Nein\" werden nur die Eintr\xE4ge entfernt.\nFortfahren?";

// The removal's lines for one entry whose folder is deleted.
Strings RemovedWithFolder(const std::string& name, const std::string& folder, bool folderFails) {
  Strings lines{"Entferne... " + name, "Ok!", "L\xF6sche Verzeichnis...", folder};
  if (folderFails) lines.push_back("Fehler!");
  return lines;
}

Strings Joined(const std::vector<Strings>& parts) {
  Strings all;
  for (const Strings& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

int TickedCount() {
  int ticked = 0;
  for (int i = 0; i < ui::CountControlItems(kList); ++i)
    if (ui::GetControlItemState(kList, i) & ui::kItemChecked) ++ticked;
  return ticked;
}

void Tick(const char* name) {
  const Strings items = Items(kList);
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == name) ListView_SetCheckState(Control(kList), static_cast<int>(i), TRUE);
}

Strings Names() {
  Strings names;
  for (int i = 0; i < gCatalogue.Count(); ++i) names.push_back(gCatalogue.At(i).Name);
  return names;
}

struct Group {
  const char* name;
  std::string datei;  // as stored, without ProgramDrive
};

std::string FileOf(const std::vector<Group>& groups) {
  std::string file;
  for (const Group& g : groups)
    file += "[" + std::string(g.name) + "]\r\nDatei = " + g.datei + "\r\nIcon = " + g.datei + "\r\n";
  return file;
}

class RemoveDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wine_test::StartServices();
    ui::MakeFont(12, "Arial", 8, 0);
    ASSERT_NO_FATAL_FAILURE(wine_test::LoadIcons(RepoPath("resources/pictures/"), 15, 34));
    gSettings.Title = "Trovanto";
    gSettings.Version = "1.0";
    ASSERT_NO_FATAL_FAILURE(wine_test::CreateMainWindow(10, 10));
    ASSERT_NE(wine_test::CreateMainList(9, 63, 139, 304), 0);
  }
  static void TearDownTestSuite() { wine_test::StopServices(); }

  void SetUp() override {
    gRoot = "Z:\\tmp\\trovanto-remove-" + std::to_string(GetCurrentProcessId());
    storage::SetProtectedStartDirectory("");
    storage::RemoveTree(gRoot.c_str(), "", 3);
    for (const char* folder : {"", "\\Launcher", "\\Apps", "\\Apps\\Shared", "\\Apps\\Shared\\Data", "\\Apps\\Solo"})
      ASSERT_TRUE(CreateDirectoryA((gRoot + folder).c_str(), nullptr)) << folder;
    for (const char* file : {"\\Apps\\Shared\\one.exe", "\\Apps\\Shared\\two.exe", "\\Apps\\Shared\\Data\\locked.txt",
                             "\\Apps\\Solo\\solo.exe", "\\Launcher\\launcher.exe", "\\stick.txt"})
      WriteFile(gRoot + file, "x");
    SetFileAttributesA((gRoot + "\\Apps\\Shared\\Data\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    gSettings.StartDirectory = gRoot + "\\Launcher\\";
    gSettings.ProgramDrive = gRoot;
    storage::SetProtectedStartDirectory(gSettings.StartDirectory);
    gCatalogue.Clear();
  }

  void TearDown() override {
    ui::CloseProgramWindow(kDialog);
    ui::CloseProgramWindow(kAddChange);
    Settle();
    gCatalogue.Clear();
    storage::SetProtectedStartDirectory("");
    storage::RemoveTree(gRoot.c_str(), "", 3);
  }

  static std::string CatalogueFile() { return gSettings.StartDirectory + "applications.dat"; }

  static void Load(const std::vector<Group>& groups) {
    WriteFile(CatalogueFile(), FileOf(groups));
    catalogue::LoadCatalogue();
  }

  static void Open() {
    catalogue::OpenRemoveDialog();
    ASSERT_NE(ui::WindowHandle(kDialog), nullptr);
    Settle();
  }

  // After a run both lists show what is left of the catalogue, unticked.
  static void ExpectListsShow(const Strings& names) {
    EXPECT_EQ(Names(), names);
    EXPECT_EQ(Items(kList), names);
    EXPECT_EQ(Items(kMainList), names);
    EXPECT_EQ(TickedCount(), 0);
  }
};

const Group kSolo{"Solo", "\\Apps\\Solo\\solo.exe"};
const Group kOne{"One", "\\Apps\\Shared\\one.exe"};
const Group kTwo{"Two", "\\Apps\\Shared\\two.exe"};

TEST_F(RemoveDialog, SharedFolderGoesWithTheFirstEntryAndTheSecondReportsTheFailure) {
  Load({kSolo, kOne, kTwo});
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(LogLines(), (Strings{"Markieren Sie die Programme", "die Sie entfernen wollen!"}));
  EXPECT_EQ(Items(kList), (Strings{"Solo", "One", "Two"}));
  EXPECT_EQ(ui::GetControlState(kDeleteFolders), 0);

  Tick("One");
  Tick("Two");
  Press(kDeleteFolders);
  {
    wine_test::MessageAnswerer yes(GetCurrentThreadId(), kMessageTitle, {IDYES});
    Press(kRemove);
    // The folder the two share is asked for once, with everything below it.
    EXPECT_EQ(yes.Stop(), Strings{"Das folgende Verzeichnis wird mit allen Dateien gel\xF6scht:\n\n" + gRoot +
                                  "\\apps\\shared (3 Dateien)\n" + kQuestionEnd});
  }
  EXPECT_EQ(LogLines(), Joined({RemovedWithFolder("Two", "\\apps\\shared", false),
                                RemovedWithFolder("One", "\\apps\\shared", true)}));
  EXPECT_FALSE(Exists(gRoot + "\\Apps\\Shared"));
  EXPECT_TRUE(Exists(gRoot + "\\Apps\\Solo\\solo.exe"));
  EXPECT_EQ(ReadFile(CatalogueFile()), FileOf({kSolo}));
  ExpectListsShow({"Solo"});
  EXPECT_EQ(ui::GetControlState(kDeleteFolders), 1) << "the option outlives the run";

  // Nothing ticked: the log is emptied and nothing else happens.
  Press(kRemove);
  EXPECT_EQ(LogLines(), Strings{});
  ExpectListsShow({"Solo"});
}

TEST_F(RemoveDialog, WithoutTheOptionOnlyTheFileChanges) {
  Load({kSolo, kOne, kTwo});
  ASSERT_NO_FATAL_FAILURE(Open());
  Tick("Solo");
  Tick("Two");
  Press(kRemove);
  EXPECT_EQ(LogLines(), (Strings{"Entferne... Two", "Ok!", "Entferne... Solo", "Ok!"}));
  for (const char* file : {"\\Apps\\Shared\\one.exe", "\\Apps\\Shared\\two.exe", "\\Apps\\Shared\\Data\\locked.txt",
                           "\\Apps\\Solo\\solo.exe"})
    EXPECT_TRUE(Exists(gRoot + file)) << file;
  EXPECT_EQ(ReadFile(CatalogueFile()), FileOf({kOne}));
  ExpectListsShow({"One"});
}

// "Nein" keeps every folder and removes the entries as without the option;
// a long list of folders is cut short in the question.
TEST_F(RemoveDialog, AnsweringNoKeepsTheFoldersAndRemovesTheEntries) {
  std::vector<Group> groups;
  std::vector<std::string> names;
  for (int i = 1; i <= 12; ++i) names.push_back("P" + std::to_string(100 + i));
  for (const std::string& name : names) {
    ASSERT_TRUE(CreateDirectoryA((gRoot + "\\Apps\\" + name).c_str(), nullptr));
    WriteFile(gRoot + "\\Apps\\" + name + "\\p.exe", "x");
  }
  for (const std::string& name : names) groups.push_back({name.c_str(), "\\Apps\\" + name + "\\p.exe"});
  groups.push_back(kSolo);
  Load(groups);
  ASSERT_NO_FATAL_FAILURE(Open());
  for (const std::string& name : names) Tick(name.c_str());
  Press(kDeleteFolders);
  wine_test::MessageAnswerer no(GetCurrentThreadId(), kMessageTitle, {IDNO});
  Press(kRemove);
  std::string question = "Die folgenden Verzeichnisse werden mit allen Dateien gel\xF6scht:\n\n";
  Strings log;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[names.size() - 1 - i];
    if (i < 10) question += gRoot + "\\apps\\" + wine_test::Lower(name) + " (1 Datei)\n";
    log.insert(log.end(), {"Entferne... " + name, "Ok!"});
  }
  question += "... und 2 weitere Verzeichnisse\n" + kQuestionEnd;
  EXPECT_EQ(no.Stop(), Strings{question});
  EXPECT_EQ(LogLines(), log);
  ExpectLogShownScrolling();
  for (const std::string& name : names) EXPECT_TRUE(Exists(gRoot + "\\Apps\\" + name + "\\p.exe")) << name;
  EXPECT_EQ(ReadFile(CatalogueFile()), FileOf({kSolo}));
  ExpectListsShow({"Solo"});
}

// A file that opens but cannot be read keeps the groups it holds: the run
// says so in the log and with the message of a failed save, and removes the
// entries from the catalogue only.
TEST_F(RemoveDialog, AFileThatCannotBeReadReportsTheRemovalAsFailed) {
  Load({kSolo, kOne, kTwo});
  const std::string before = ReadFile(CatalogueFile());
  ASSERT_NO_FATAL_FAILURE(Open());
  Tick("Solo");
  Tick("Two");
  // Another program's lock on the whole file: it opens, and every read fails.
  HANDLE held = CreateFileA(CatalogueFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  OVERLAPPED whole = {};
  ASSERT_TRUE(LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole));
  wine_test::MessageAnswerer ok(GetCurrentThreadId(), kMessageTitle, {IDOK});
  Press(kRemove);
  const Strings messages = ok.Stop();
  UnlockFileEx(held, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(held);
  EXPECT_EQ(messages, Strings{kSaveFailed});
  EXPECT_EQ(LogLines(), (Strings{"Entferne... Two", "Fehler!", "Entferne... Solo", "Fehler!"}));
  EXPECT_EQ(ReadFile(CatalogueFile()), before);
  ExpectListsShow({"One"});
}

// A long deletion keeps the dialog answering and painting, with the folder it
// deletes in the log: whoever asks the log while files are still going gets
// an answer.
TEST_F(RemoveDialog, TheDialogAnswersWhileAFolderIsDeleted) {
  const std::string big = gRoot + "\\Apps\\Big";
  ASSERT_TRUE(CreateDirectoryA(big.c_str(), nullptr));
  constexpr int kFiles = 600;
  for (int i = 0; i < kFiles; ++i) WriteFile(big + "\\f" + std::to_string(i) + ".dat", "x");
  Load({kSolo, {"Big", "\\Apps\\Big\\f0.dat"}});
  ASSERT_NO_FATAL_FAILURE(Open());
  Tick("Big");
  Press(kDeleteFolders);
  HWND log = Control(kLog);
  const DWORD gui = GetCurrentThreadId();
  std::atomic<bool> done{false};
  std::string lineDuringDeletion;
  std::string question;
  std::thread watcher([&] {
    while (!done) {
      if (HWND box = wine_test::FindDialog(gui, kMessageTitle)) {
        question = wine_test::MessageText(box);
        PostMessageA(box, WM_COMMAND, IDYES, 0);
        Sleep(50);
        continue;
      }
      DWORD_PTR count = 0;
      if (!SendMessageTimeoutW(log, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 10000, &count)) continue;
      // Answered while the folder still holds files: the deletion is running.
      if (count == 4 && GetFileAttributesA(big.c_str()) != INVALID_FILE_ATTRIBUTES && lineDuringDeletion.empty()) {
        wchar_t text[256] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(log, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &length);
        lineDuringDeletion = wine_test::To1252(text);
      }
    }
  });
  Press(kRemove);
  done = true;
  watcher.join();
  EXPECT_EQ(question, "Das folgende Verzeichnis wird mit allen Dateien gel\xF6scht:\n\n" + gRoot +
                          "\\apps\\big (600 Dateien)\n" + kQuestionEnd);
  EXPECT_EQ(lineDuringDeletion, "\\apps\\big") << "no answer while the folder was being deleted";
  EXPECT_FALSE(Exists(big));
  EXPECT_EQ(LogLines(), RemovedWithFolder("Big", "\\apps\\big", false));
  ExpectListsShow({"Solo"});
}

// Also kept: a folder beside the launcher's drive (here the folder that plays
// it), and one that still holds the program of an entry that stays.
TEST_F(RemoveDialog, DriveRootsAndFoldersHoldingTheStartDirectoryAreKept) {
  // Stored paths come back lower-cased, so the start directory is named in
  // another case than it was made with.
  Load({{"Launcher", "\\Launcher\\launcher.exe"}, {"Stick", "\\stick.txt"}, kSolo, kOne, kTwo});
  const std::string elsewhere = gRoot + "-elsewhere";
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  WriteFile(elsewhere + "\\photo.jpg", "x");
  // A drive root that exists is not used: a fault in the guard would wipe it.
  char unused = 0;
  const DWORD drives = GetLogicalDrives();
  for (char letter = 'Y'; letter >= 'D' && !unused; --letter)
    if (!(drives & (1u << (letter - 'A')))) unused = letter;
  ASSERT_NE(unused, 0);
  gCatalogue.SelectIndex(gCatalogue.Count());
  catalogue::AppEntry& root = gCatalogue.Add();
  root.Name = "Root";
  root.Folder = std::string(1, unused) + ":\\";
  root.FileName = "root.exe";
  catalogue::AppEntry& outside = gCatalogue.Add();
  outside.Name = "Outside";
  outside.Folder = elsewhere + "\\";
  outside.FileName = "photo.jpg";

  ASSERT_NO_FATAL_FAILURE(Open());
  for (const char* name : {"Launcher", "Stick", "One", "Root", "Outside"}) Tick(name);
  Press(kDeleteFolders);
  wine_test::MessageAnswerer answerer(GetCurrentThreadId(), kMessageTitle, {IDYES});
  Press(kRemove);
  EXPECT_EQ(answerer.Stop(), Strings{}) << "refused folders are not offered";
  const bool elsewhereKept = Exists(elsewhere + "\\photo.jpg");
  storage::RemoveTree(elsewhere.c_str(), "", 3);
  EXPECT_TRUE(elsewhereKept);
  const std::string unusedRoot = std::string(1, unused) + ":\\";
  // A long path keeps the end that names the program.
  EXPECT_EQ(LogLines(), Joined({RemovedWithFolder("Outside", "..." + elsewhere.substr(elsewhere.size() - 23), true), RemovedWithFolder("Root", unusedRoot, true),
                                RemovedWithFolder("One", "\\apps\\shared", true),
                                RemovedWithFolder("Stick", "\\", true),
                                RemovedWithFolder("Launcher", "\\launcher", true)}));
  for (const char* file : {"\\stick.txt", "\\Launcher\\launcher.exe", "\\Apps\\Solo\\solo.exe",
                           "\\Apps\\Shared\\one.exe", "\\Apps\\Shared\\Data\\locked.txt"})
    EXPECT_TRUE(Exists(gRoot + file)) << file;
  EXPECT_EQ(ReadFile(CatalogueFile()), FileOf({kSolo, kTwo}));
  ExpectListsShow({"Solo", "Two"});
}

TEST_F(RemoveDialog, TheTwoCatalogueDialogsKeepEachOtherCurrent) {
  Load({kSolo, kOne, kTwo});
  ASSERT_NO_FATAL_FAILURE(Open());
  Tick("Solo");
  catalogue::OpenAddChangeDialog();
  Settle();
  ASSERT_EQ(ui::GetControlState(kAddChangeList), 0);

  // Solo moves down: the tick on the first item would now stand for One.
  Press(kMoveDown);
  EXPECT_EQ(Items(kList), (Strings{"One", "Solo", "Two"}));
  EXPECT_EQ(TickedCount(), 0);

  // A removal under the open add/change dialog leaves it nothing to edit.
  Tick("Two");
  Press(kRemove);
  EXPECT_EQ(Items(kAddChangeList), (Strings{"One", "Solo"}));
  EXPECT_EQ(ui::GetControlState(kAddChangeList), -1);
  EXPECT_FALSE(IsWindowEnabled(Control(kName)));
}

}  // namespace
