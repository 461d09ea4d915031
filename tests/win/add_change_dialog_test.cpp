// The add/change dialog driven through its real controls and the event loop;
// the file requesters and message boxes it opens are answered from a helper
// thread the way a user would answer them.
#include "catalogue/add_change_dialog.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

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

constexpr int kMainList = 89, kDialog = 62;
constexpr int kList = 91, kName = 79, kProgram = 80, kIcon = 81;
constexpr int kChooseProgram = 47, kChooseIcon = 48, kAdd = 49, kDown = 50, kUp = 51, kRemoveNew = 54;
constexpr char kMessageTitle[] = "Trovanto v1.0";
constexpr char kIncomplete[] = "Es sind noch nicht alle Angaben gemacht!";

DWORD gGuiThread = 0;
// The test's stick: ProgramDrive is this folder, so that stored paths come
// out the same in every run.
std::string gRoot;

using wine_test::Lower;
using wine_test::ReadFile;
using wine_test::RepoPath;
using wine_test::WindowText;
using wine_test::WriteFile;

std::string CatalogueFile() { return gSettings.StartDirectory + "applications.dat"; }

// One turn of the main loop, as far as this dialog is concerned.
void Forward(int event) {
  if (event == ui::kControlEvent) {
    const int c = ui::EventSource();
    if (c == 47 || c == 48 || c == 49 || c == 50 || c == 51 || c == 54 || c == 79 || c == 91)
      catalogue::AddChangeControlEvent(c, ui::EventSubtype());
  } else if (event == ui::kWindowCloseRequest && ui::ForegroundWindowNumber() == kDialog) {
    catalogue::AddChangeCloseRequest();
  }
}

// Lets every report of the last action arrive and be handled.
void Settle() { wine_test::PumpFor(Forward, 250); }

HWND Control(int n) { return ui::ControlHandle(n); }

void Press(int button) {
  PostMessageW(Control(button), BM_CLICK, 0, 0);
  Settle();
}

void ClickAt(POINT p) {
  wine_test::ClickAt(p);
  Settle();
}

void ClickItem(int item) {
  RECT r{};
  // Items without a name have no label to click on.
  r.left = LVIR_ICON;
  SendMessageW(Control(kList), LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(Control(kList), &p);
  ClickAt(p);
}

void ClickInto(int control) { ClickAt(wine_test::CentreOf(Control(control))); }

void Type(const char* text) {
  wine_test::PostChars(Control(kName), text);
  Settle();
}

void CloseBox() {
  PostMessageW(ui::WindowHandle(kDialog), WM_SYSCOMMAND, SC_CLOSE, 0);
  Settle();
}

std::string Text(int control) { return ui::GetControlText(control); }
int Selected() { return static_cast<int>(ui::GetControlState(kList)); }
bool NameEnabled() { return IsWindowEnabled(Control(kName)) != FALSE; }

std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (int i = 0; i < gCatalogue.Count(); ++i) names.push_back(gCatalogue.At(i).Name);
  return names;
}

std::vector<std::string> Items(int list) { return wine_test::ListViewItems(Control(list)); }

BOOL CALLBACK FindMessageText(HWND child, LPARAM param) {
  char cls[16] = {};
  GetClassNameA(child, cls, sizeof cls);
  auto* text = reinterpret_cast<std::string*>(param);
  if (lstrcmpiA(cls, "Static") == 0 && text->empty()) *text = WindowText(child);
  return TRUE;
}

struct Seen {
  std::string title, text, folder;
};

// Answers every standard dialog of the GUI thread while it lives: message
// boxes are confirmed; file requesters take the given paths in turn and are
// cancelled once those run out.
class Answerer {
 public:
  explicit Answerer(std::vector<std::string> files = {})
      : files_(std::move(files)), thread_([this] { Run(); }) {}
  ~Answerer() { Stop(); }
  Answerer(const Answerer&) = delete;
  Answerer& operator=(const Answerer&) = delete;

  std::vector<Seen> Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  void Run() {
    size_t next = 0;
    while (!stop_) {
      HWND dialog = wine_test::FindDialog(gGuiThread, nullptr);
      if (!dialog) {
        Sleep(20);
        continue;
      }
      Seen seen;
      seen.title = WindowText(dialog);
      int button = IDCANCEL;
      if (seen.title == kMessageTitle) {
        EnumChildWindows(dialog, FindMessageText, reinterpret_cast<LPARAM>(&seen.text));
        button = IDOK;
      } else {
        // The requester is a Unicode dialog: it answers in UTF-16.
        wchar_t folder[MAX_PATH] = {};
        if (SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) > 0)
          seen.folder = wine_test::To1252(folder);
        HWND edit = wine_test::FileNameEdit(dialog);
        if (next < files_.size() && edit) {
          SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(files_[next++].c_str()));
          button = IDOK;
        }
      }
      seen_.push_back(seen);
      PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
      for (DWORD start = GetTickCount(); IsWindowVisible(dialog) && GetTickCount() - start < 5000;) Sleep(10);
    }
  }

  std::vector<std::string> files_;
  std::vector<Seen> seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class AddChangeDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gGuiThread = GetCurrentThreadId();
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
    gRoot = "Z:\\tmp\\trovanto-add-change-" + std::to_string(GetCurrentProcessId());
    storage::RemoveTree(gRoot.c_str(), "", 3);
    for (const char* folder : {"", "\\Launcher", "\\Applications", "\\Applications\\Alpha", "\\Applications\\Beta",
                               "\\Applications\\Gamma", "\\Applications\\Editor", "\\Applications\\Icons"})
      ASSERT_TRUE(CreateDirectoryA((gRoot + folder).c_str(), nullptr)) << folder;
    for (const char* file : {"\\Applications\\Alpha\\alpha.exe", "\\Applications\\Beta\\beta.exe",
                             "\\Applications\\Gamma\\gamma.exe", "\\Applications\\Icons\\BIG.EXE"})
      WriteFile(gRoot + file, "");
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\notepad.exe").c_str(),
                          (gRoot + "\\Applications\\Editor\\editor.exe").c_str(), FALSE));
    gSettings.StartDirectory = gRoot + "\\Launcher\\";
    gSettings.ProgramDrive = gRoot;
    gCatalogue.Clear();
  }

  void TearDown() override {
    ui::CloseProgramWindow(kDialog);
    Settle();
    gCatalogue.Clear();
    storage::RemoveTree(gRoot.c_str(), "", 3);
  }

  // Loads entries named after their folders under Applications.
  static void Load(std::initializer_list<const char*> names) {
    std::string file;
    for (const char* name : names) {
      const std::string path = "\\Applications\\" + std::string(name) + "\\" + Lower(name) + ".exe";
      file += "[" + std::string(name) + "]\r\nDatei = " + path + "\r\nIcon = " + path + "\r\n";
    }
    WriteFile(CatalogueFile(), file);
    catalogue::LoadCatalogue();
  }

  static void Open() {
    catalogue::OpenAddChangeDialog();
    ASSERT_NE(ui::WindowHandle(kDialog), nullptr);
    Settle();
  }
};

using Strings = std::vector<std::string>;

TEST_F(AddChangeDialog, EmptyCatalogueOpensBlankChoosesNothingAndClosingSavesAnEmptyFile) {
  // The first requester of the run would open in the start directory.
  EXPECT_EQ(catalogue::RequesterFolder(), gSettings.StartDirectory);
  WriteFile(CatalogueFile(), "[Alt]\r\nDatei = \\alt.exe\r\n");
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(ui::CountControlItems(kList), 0);
  EXPECT_EQ(Selected(), -1);
  EXPECT_FALSE(NameEnabled());
  EXPECT_EQ(Text(kName) + Text(kProgram) + Text(kIcon), "");

  Answerer answerer;
  Press(kChooseProgram);
  Press(kChooseIcon);
  catalogue::AddChangeEnterKey();
  Settle();
  EXPECT_TRUE(answerer.Stop().empty()) << "a requester opened without an entry to receive the file";
  EXPECT_EQ(gCatalogue.Count(), 0);

  CloseBox();
  EXPECT_EQ(ui::WindowHandle(kDialog), nullptr);
  EXPECT_EQ(storage::PathSize(CatalogueFile().c_str()), 0);
  EXPECT_EQ(ui::CountControlItems(kMainList), 0);
}

TEST_F(AddChangeDialog, IncompleteEntriesAndNameTwinsKeepTheDialogOpenWithOneMessageEach) {
  Load({"Alpha", "Beta"});
  const std::string before = ReadFile(CatalogueFile());
  ASSERT_NO_FATAL_FAILURE(Open());
  Press(kAdd);
  Press(kAdd);
  ASSERT_EQ(gCatalogue.Count(), 4);

  Answerer incomplete;
  CloseBox();
  const std::vector<Seen> seen = incomplete.Stop();
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) EXPECT_EQ(s.text, kIncomplete);
  EXPECT_NE(ui::WindowHandle(kDialog), nullptr);
  EXPECT_EQ(ReadFile(CatalogueFile()), before);

  // Both new entries go again; Beta is renamed into Alpha's twin.
  for (int i = gCatalogue.Count() - 1; i >= 0; --i) {
    if (gCatalogue.At(i).IsNew != 1) continue;
    ClickItem(i);
    Press(kRemoveNew);
  }
  ASSERT_EQ(Names(), (Strings{"Alpha", "Beta"}));
  ClickItem(1);
  ClickInto(kName);
  PostMessageW(Control(kName), EM_SETSEL, 0, -1);
  Type("ALPHA");
  ASSERT_EQ(Names(), (Strings{"Alpha", "ALPHA"}));
  Answerer twins;
  CloseBox();
  const std::vector<Seen> twinSeen = twins.Stop();
  ASSERT_EQ(twinSeen.size(), 1u);
  EXPECT_EQ(twinSeen[0].title, kMessageTitle);
  EXPECT_EQ(twinSeen[0].text, "Der Name \"ALPHA\" ist doppelt vergeben!");
  EXPECT_NE(ui::WindowHandle(kDialog), nullptr);
  EXPECT_EQ(ReadFile(CatalogueFile()), before);
}

TEST_F(AddChangeDialog, MovesNeedASelectionAndStopAtBothEnds) {
  Load({"Alpha", "Beta", "Gamma"});
  catalogue::OpenAddChangeDialog();
  // Before the selection is reported the fields show the opening forms.
  EXPECT_EQ(Text(kProgram), "...\\alpha\\alpha.exe");
  Settle();
  EXPECT_EQ(Selected(), 0) << "setting the name field must not count as typing";
  EXPECT_EQ(Text(kProgram), "...\\applications\\alpha\\alpha.exe");
  EXPECT_EQ(Text(kIcon), "alpha.exe");

  Press(kUp);
  ClickItem(2);
  EXPECT_EQ(Text(kName), "Gamma");
  Press(kDown);
  EXPECT_EQ(Names(), (Strings{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(Selected(), 2);

  // In and out of the name field without typing: the list is refilled and
  // nothing is selected, so the moves have nothing to move.
  ClickInto(kName);
  ClickInto(kProgram);
  EXPECT_EQ(Selected(), -1);
  Press(kUp);
  Press(kDown);
  EXPECT_EQ(Names(), (Strings{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(Items(kList), (Strings{"Alpha", "Beta", "Gamma"}));
}

TEST_F(AddChangeDialog, NewEntriesLandAfterTheClickedItemOrAtTheEndAndOnlyTheyCanBeRemoved) {
  Load({"Alpha", "Beta", "Gamma"});
  ASSERT_NO_FATAL_FAILURE(Open());
  ClickItem(1);
  Press(kAdd);
  ASSERT_EQ(gCatalogue.Count(), 4);
  EXPECT_EQ(gCatalogue.At(2).IsNew, 1);
  EXPECT_EQ(ResolveEntryIcon(gCatalogue.At(2).Icon), ui::ImageHandle(15));
  EXPECT_EQ(catalogue::gCurrentEntryIndex, 2);
  EXPECT_EQ(ui::FocusedControl(), kName);
  Type("Neu");
  EXPECT_EQ(Names(), (Strings{"Alpha", "Beta", "Neu", "Gamma"}));
  EXPECT_EQ(Items(kList), Names());

  Press(kAdd);
  EXPECT_EQ(Names(), (Strings{"Alpha", "Beta", "Neu", "Gamma", ""}));

  // A new entry moved elsewhere is still new.
  ClickItem(2);
  Press(kUp);
  Press(kUp);
  ASSERT_EQ(Names(), (Strings{"Neu", "Alpha", "Beta", "Gamma", ""}));
  EXPECT_EQ(Selected(), 0);
  Press(kRemoveNew);
  EXPECT_EQ(Names(), (Strings{"Alpha", "Beta", "Gamma", ""}));
  EXPECT_EQ(Text(kName) + Text(kProgram) + Text(kIcon), "");
  EXPECT_EQ(Selected(), -1);

  // Nothing selected: no name to type, no file to choose.
  EXPECT_FALSE(NameEnabled());
  Answerer answerer;
  Press(kChooseProgram);
  Press(kChooseIcon);
  catalogue::AddChangeEnterKey();
  Settle();
  EXPECT_TRUE(answerer.Stop().empty());

  // A loaded entry stays, though the fields are emptied all the same.
  ClickItem(0);
  EXPECT_TRUE(NameEnabled());
  Press(kRemoveNew);
  EXPECT_EQ(Names(), (Strings{"Alpha", "Beta", "Gamma", ""}));
  EXPECT_EQ(Text(kName), "");
}

// "Neu" clicked with the mouse, as a user does: the click takes the focus
// from the name field before the button reports, and the focus the program
// then gives the name field is no event of its own.
TEST_F(AddChangeDialog, NewEntryClickedWithTheMouseLandsWhereTheLastActionLeftTheCursor) {
  struct Order {
    const char* what;
    void (*before)();
    Strings expected;
  };
  const Order orders[] = {
      {"right after opening", [] {}, {"Alpha", "", "Beta", "Gamma"}},
      {"after a click on an item", [] { ClickItem(1); }, {"Alpha", "Beta", "", "Gamma"}},
      {"after typing a name",
       [] {
         ClickItem(1);
         ClickInto(kName);
         PostMessageW(Control(kName), EM_SETSEL, 100, 100);
         Type("X");
       },
       {"Alpha", "BetaX", "Gamma", ""}},
  };
  for (const Order& order : orders) {
    SCOPED_TRACE(order.what);
    gCatalogue.Clear();
    Load({"Alpha", "Beta", "Gamma"});
    ASSERT_NO_FATAL_FAILURE(Open());
    order.before();
    ClickInto(kAdd);
    EXPECT_EQ(Names(), order.expected);
    const int added = static_cast<int>(std::find(order.expected.begin(), order.expected.end(), "") -
                                       order.expected.begin());
    EXPECT_EQ(catalogue::gCurrentEntryIndex, added);
    EXPECT_EQ(Selected(), added) << "the focus given to the name field refilled the list";
    EXPECT_EQ(ui::FocusedControl(), kName);
    ui::CloseProgramWindow(kDialog);
    Settle();
  }
}

TEST_F(AddChangeDialog, ChosenFilesSetTheEntryAndTheRequesterFolder) {
  ASSERT_NO_FATAL_FAILURE(Open());
  Press(kAdd);
  EXPECT_TRUE(NameEnabled());
  Type("Editor");

  const std::string editor = gRoot + "\\Applications\\Editor\\editor.exe";
  const std::string folderBefore = catalogue::RequesterFolder();
  Answerer program({editor});
  Press(kChooseProgram);
  std::vector<Seen> seen = program.Stop();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "Speicherort der Datei:");
  EXPECT_EQ(Lower(seen[0].folder + "\\"), Lower(folderBefore));

  const catalogue::AppEntry& entry = gCatalogue.At(0);
  EXPECT_EQ(Lower(entry.Folder), Lower(gRoot + "\\Applications\\Editor\\"));
  EXPECT_EQ(entry.FileName, "editor.exe");
  EXPECT_EQ(entry.IconFile, entry.Folder + entry.FileName);
  EXPECT_EQ(ResolveEntryIcon(entry.Icon), catalogue::ExtractFirstIcon(editor));
  EXPECT_NE(ResolveEntryIcon(entry.Icon), ui::ImageHandle(15));
  EXPECT_EQ(Lower(Text(kProgram)), Lower("...\\Applications\\Editor\\editor.exe"));
  EXPECT_EQ(Text(kIcon), "editor.exe");
  EXPECT_EQ(Lower(catalogue::RequesterFolder()), Lower(gRoot + "\\Applications\\Editor\\"));

  // "EXE" in capitals goes to the image loader, which cannot read it.
  Answerer icon({gRoot + "\\Applications\\Icons\\BIG.EXE"});
  Press(kChooseIcon);
  seen = icon.Stop();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "Speicherort des Icons:");
  EXPECT_EQ(Lower(seen[0].folder), Lower(gRoot + "\\Applications\\Editor"));
  EXPECT_EQ(ResolveEntryIcon(entry.Icon), ui::ImageHandle(15));
  EXPECT_EQ(Text(kIcon), "BIG.EXE");
  EXPECT_EQ(entry.FileName, "editor.exe");

  // Enter in the name field opens the program requester; cancelling it
  // changes nothing.
  ClickInto(kName);
  Answerer enter;
  catalogue::AddChangeEnterKey();
  Settle();
  seen = enter.Stop();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "Speicherort der Datei:");
  EXPECT_EQ(entry.FileName, "editor.exe");
  EXPECT_EQ(Lower(catalogue::RequesterFolder()), Lower(gRoot + "\\Applications\\Icons\\"));
}

TEST_F(AddChangeDialog, ClosingSavesTheExactFileAndTheMainListFollows) {
  Load({"Alpha", "Beta"});
  ASSERT_NO_FATAL_FAILURE(Open());
  // Right after opening the cursor is on the first entry.
  Press(kAdd);
  Type("Gamma");
  Answerer program({gRoot + "\\Applications\\Gamma\\gamma.exe"});
  Press(kChooseProgram);
  program.Stop();
  ClickItem(0);
  Press(kDown);
  ASSERT_EQ(Names(), (Strings{"Gamma", "Alpha", "Beta"}));

  Answerer none;
  CloseBox();
  EXPECT_TRUE(none.Stop().empty());
  EXPECT_EQ(ui::WindowHandle(kDialog), nullptr);
  EXPECT_EQ(ReadFile(CatalogueFile()), ReadFile(RepoPath("tests/data/add_change_saved.dat")));
  EXPECT_EQ(Items(kMainList), (Strings{"Gamma", "Alpha", "Beta"}));
  for (int i = 0; i < gCatalogue.Count(); ++i) EXPECT_EQ(gCatalogue.At(i).IsNew, 0);
}

}  // namespace
