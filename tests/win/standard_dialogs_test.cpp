// The open-file, message-box and font dialogs, shown for real on the test
// thread and driven from a helper thread the way a user would drive them.
#include "ui/standard_dialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

// Control identifiers of the platform dialog templates.
constexpr int kFilterCombo = 0x470;  // cmb1
constexpr int kFontStyleCombo = 0x471;  // cmb2
constexpr int kFontSizeCombo = 0x472;  // cmb3
constexpr int kStrikeOutBox = 0x410;  // chx1
constexpr int kUnderlineBox = 0x411;  // chx2

DWORD gGuiThread = 0;

using wine_test::FindControl;
using wine_test::Lower;
using wine_test::ScalableFace;

// A visible dialog of the GUI thread; title nullptr matches any.
HWND FindDialog(const char* title) { return wine_test::FindDialog(gGuiThread, title); }
HWND WaitForDialog(const char* title) { return wine_test::WaitForDialog(gGuiThread, title); }

std::string TextOf(HWND window) {
  char text[MAX_PATH] = {};
  if (window) SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void Press(HWND dialog, int button) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// CB_SETCURSEL notifies nobody, so the notifications of a user's pick from
// the drop-down list follow it; Wine's file dialog reacts only to the second.
void SelectComboItem(HWND dialog, int comboId, int index) {
  HWND combo = GetDlgItem(dialog, comboId);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, code), reinterpret_cast<LPARAM>(combo));
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  char cls[16] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

// Runs the steps on a helper thread against the dialog that the test thread
// is about to show. Whatever goes wrong (the dialog is not recognised, a step
// leaves it open, the dialog answers with an error box), every dialog of the
// GUI thread is cancelled in the end, so that the test fails instead of
// hanging.
class DialogDriver {
 public:
  DialogDriver(const char* title, std::function<void(HWND)> steps)
      : thread_([this, wanted = std::string(title ? title : ""), anyTitle = title == nullptr,
                 steps = std::move(steps)] {
          HWND dialog = WaitForDialog(anyTitle ? nullptr : wanted.c_str());
          if (dialog) {
            found_ = true;
            steps(dialog);
          }
          for (DWORD start = GetTickCount(); FindDialog(nullptr); Sleep(20)) {
            if (GetTickCount() - start > 5000) {
              rescued_ = true;
              EnumThreadWindows(gGuiThread, CancelDialog, 0);
            }
          }
        }) {}
  ~DialogDriver() {
    if (thread_.joinable()) thread_.join();
  }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // True when the dialog was found and the steps closed it.
  bool Finish() {
    thread_.join();
    return found_ && !rescued_;
  }

 private:
  std::atomic<bool> found_{false};
  std::atomic<bool> rescued_{false};
  std::thread thread_;
};

// ---------------------------------------------------------------------------

TEST(DefaultPathSplit, FolderAndAcceptableFileName) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  } cases[] = {
      {"T:\\Tools\\", "T:\\Tools", ""},
      {"T:\\Tools\\run.exe", "T:\\Tools", "run.exe"},
      {"T:\\Tools\\*.exe", "T:\\Tools", ""},
      {"T:\\", "T:\\", ""},  // the root, not drive T's current folder
      {"run.exe", "", "run.exe"},
      {"", "", ""},
      {"\\\\server\\share\\a b.txt", "\\\\server\\share", "a b.txt"},
  };
  for (const Case& c : cases) {
    ui::InitialPlace place = ui::SplitDefaultPath(c.path);
    EXPECT_EQ(place.folder, c.folder) << c.path;
    EXPECT_EQ(place.fileName, c.name) << c.path;
  }
  EXPECT_EQ(ui::SplitDefaultPath(nullptr).fileName, "");

  for (char bad : std::string("\"*/:<>?|\x01\t\x1F\x7F")) {
    std::string path = std::string("T:\\x") + bad + "y";
    ui::InitialPlace place = ui::SplitDefaultPath(path.c_str());
    EXPECT_EQ(place.fileName, "") << static_cast<int>(bad);
    EXPECT_EQ(place.folder, "T:\\");
  }
  // Windows-1252 letters are ordinary name characters.
  EXPECT_EQ(ui::SplitDefaultPath("T:\\Gr\xF6\xDF" "e.txt").fileName, "Gr\xF6\xDF" "e.txt");
}

TEST(FilterList, BarsBecomeTerminatorsWithADoubleEnd) {
  EXPECT_EQ(ui::FilterList("Programme (*.exe;*.com)|*.exe;*.com"),
            std::string("Programme (*.exe;*.com)\0*.exe;*.com\0\0", 37));
  EXPECT_EQ(ui::FilterList("A|*.a|B|*.b"), std::string("A\0*.a\0B\0*.b\0\0", 13));
  EXPECT_EQ(ui::FilterList(""), std::string("\0\0", 2));
}

// ---------------------------------------------------------------------------

class FileChooser : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gGuiThread = GetCurrentThreadId();
    char temp[MAX_PATH] = {}, longTemp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    GetLongPathNameA(temp, longTemp, sizeof longTemp);
    folder_ = std::string(longTemp) + "trovanto_dialogs_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const char* name : {"\\program.exe", "\\picture.ico"}) {
      HANDLE f = CreateFileA((folder_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      CloseHandle(f);
    }
  }
  static void TearDownTestSuite() {
    DeleteFileA((folder_ + "\\program.exe").c_str());
    DeleteFileA((folder_ + "\\picture.ico").c_str());
    RemoveDirectoryA(folder_.c_str());
  }

  struct Seen {
    std::string folder;
    std::string fileName;
    int filterCount = -1;
    int filterSelection = -1;
  };

  static Seen Look(HWND dialog) {
    Seen seen;
    wchar_t path[MAX_PATH] = {};
    // Without a hook the dialog itself answers the explorer-style queries,
    // in UTF-16 since it is a Unicode dialog.
    if (SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(path)) > 0)
      seen.folder = wine_test::To1252(path);
    seen.fileName = TextOf(NameEdit(dialog));
    HWND filters = GetDlgItem(dialog, kFilterCombo);
    seen.filterCount = static_cast<int>(SendMessageA(filters, CB_GETCOUNT, 0, 0));
    seen.filterSelection = static_cast<int>(SendMessageA(filters, CB_GETCURSEL, 0, 0));
    return seen;
  }

  static HWND NameEdit(HWND dialog) { return wine_test::FileNameEdit(dialog); }

  static void TypeNameAndConfirm(HWND dialog, const char* name) {
    SendMessageA(NameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    Press(dialog, IDOK);
  }

  static std::string folder_;
  static constexpr char kTitle[] = "Speicherort der Datei:";
  static constexpr char kFilters[] = "Programme (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|Icons (*.ico;*.exe)|*.ico;*.exe";
};
std::string FileChooser::folder_;
constexpr char FileChooser::kTitle[];
constexpr char FileChooser::kFilters[];

TEST_F(FileChooser, OpensInTheDefaultFolderWithOnlyAnAcceptableNameAndCancelGivesNothing) {
  struct Case {
    std::string defaultPath;
    const char* name;
  } cases[] = {
      {folder_ + "\\", ""},
      {folder_ + "\\*.exe", ""},
      {folder_ + "\\program.exe", "program.exe"},
  };
  for (const Case& c : cases) {
    Seen seen;
    DialogDriver driver(kTitle, [&](HWND dialog) {
      seen = Look(dialog);
      Press(dialog, IDCANCEL);
    });
    std::string chosen = ui::ChooseFileToOpen(kTitle, c.defaultPath.c_str(), kFilters, 0);
    ASSERT_TRUE(driver.Finish()) << c.defaultPath;
    EXPECT_EQ(chosen, "") << c.defaultPath;
    EXPECT_EQ(Lower(seen.folder), Lower(folder_)) << c.defaultPath;
    EXPECT_EQ(seen.fileName, c.name) << c.defaultPath;
  }
}

TEST_F(FileChooser, ConfirmedNameInTheStartFolderGivesItsFullPath) {
  // The file need not exist, only its folder.
  for (const char* name : {"program.exe", "new.exe"}) {
    DialogDriver driver(kTitle, [&](HWND dialog) { TypeNameAndConfirm(dialog, name); });
    std::string chosen = ui::ChooseFileToOpen(kTitle, (folder_ + "\\").c_str(), kFilters, 0);
    ASSERT_TRUE(driver.Finish()) << name;
    EXPECT_EQ(Lower(chosen), Lower(folder_ + "\\" + name));
  }
}

TEST_F(FileChooser, RemembersTheChosenFilterButNotOnCancel) {
  Seen first;
  DialogDriver driver(kTitle, [&](HWND dialog) {
    first = Look(dialog);
    SelectComboItem(dialog, kFilterCombo, 1);
    TypeNameAndConfirm(dialog, "picture.ico");
  });
  std::string chosen = ui::ChooseFileToOpen(kTitle, (folder_ + "\\").c_str(), kFilters, 0);
  ASSERT_TRUE(driver.Finish());
  EXPECT_EQ(first.filterCount, 2);
  EXPECT_EQ(first.filterSelection, 0);
  EXPECT_EQ(Lower(chosen), Lower(folder_ + "\\picture.ico"));
  EXPECT_EQ(ui::LastChosenFilter(), 1);

  Seen second;
  DialogDriver cancelled(kTitle, [&](HWND dialog) {
    second = Look(dialog);
    SelectComboItem(dialog, kFilterCombo, 0);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(ui::ChooseFileToOpen(kTitle, (folder_ + "\\").c_str(), kFilters, 1), "");
  ASSERT_TRUE(cancelled.Finish());
  EXPECT_EQ(second.filterSelection, 1);
  EXPECT_EQ(ui::LastChosenFilter(), 1);
}

// ---------------------------------------------------------------------------

// Program windows in the roles of the launcher's main window and dialogs.
class ModalDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gGuiThread = GetCurrentThreadId();
    ui::WindowsStartup();
  }
  static void TearDownTestSuite() { ui::WindowsShutdown(); }
  void TearDown() override {
    for (int n : {kMain, kSide, kAlreadyDisabled}) ui::CloseProgramWindow(n);
  }

  static void OpenWindows() {
    constexpr uint32_t kDialogStyle = ui::kTitleBar | ui::kCloseBox;
    ASSERT_NE(ui::CreateProgramWindow(kMain, 10, 10, 216, 408, "Main", kDialogStyle, nullptr), 0);
    ASSERT_NE(ui::CreateProgramWindow(kSide, 300, 10, 240, 156, "Side", kDialogStyle, ui::WindowHandle(kMain)), 0);
    ASSERT_NE(ui::CreateProgramWindow(kAlreadyDisabled, 600, 10, 240, 80, "Off", kDialogStyle, nullptr), 0);
    ui::DisableProgramWindow(kAlreadyDisabled, 1);
    ui::ActivateProgramWindow(kMain);
    ASSERT_EQ(GetForegroundWindow(), ui::WindowHandle(kMain));
  }

  struct Seen {
    bool mainEnabled = true;
    bool sideEnabled = true;
    HWND owner = nullptr;
  };

  static Seen Look(HWND dialog) {
    return {IsWindowEnabled(ui::WindowHandle(kMain)) != FALSE, IsWindowEnabled(ui::WindowHandle(kSide)) != FALSE,
            GetWindow(dialog, GW_OWNER)};
  }

  void ExpectRestored() {
    EXPECT_TRUE(IsWindowEnabled(ui::WindowHandle(kMain)));
    EXPECT_TRUE(IsWindowEnabled(ui::WindowHandle(kSide)));
    EXPECT_FALSE(IsWindowEnabled(ui::WindowHandle(kAlreadyDisabled)));
  }

  static constexpr int kMain = 60, kSide = 61, kAlreadyDisabled = 62;
};

TEST_F(ModalDialogs, MessageBoxIsOwnedByTheForegroundWindowAndBlocksTheOthers) {
  ASSERT_NO_FATAL_FAILURE(OpenWindows());
  const char* title = "Trovanto v1.0";
  Seen seen;
  DialogDriver driver(title, [&](HWND box) {
    seen = Look(box);
    Press(box, IDOK);
  });
  int pressed = ui::ShowMessage(title, "Es sind noch nicht alle Angaben gemacht!", MB_ICONINFORMATION);
  ASSERT_TRUE(driver.Finish());
  EXPECT_EQ(pressed, IDOK);
  EXPECT_EQ(seen.owner, ui::WindowHandle(kMain));
  EXPECT_FALSE(seen.mainEnabled);
  EXPECT_FALSE(seen.sideEnabled);
  ExpectRestored();
}

TEST_F(ModalDialogs, CancelledFontDialogGivesZeroUnderTheSameRule) {
  ASSERT_NO_FATAL_FAILURE(OpenWindows());
  Seen seen;
  DialogDriver driver(nullptr, [&](HWND dialog) {
    seen = Look(dialog);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(ui::ChooseFont("Arial", 10, CF_EFFECTS, -1), 0);
  ASSERT_TRUE(driver.Finish());
  EXPECT_EQ(seen.owner, ui::WindowHandle(kMain));
  EXPECT_FALSE(seen.mainEnabled);
  EXPECT_FALSE(seen.sideEnabled);
  ExpectRestored();
}

// ---------------------------------------------------------------------------

class FontChooser : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gGuiThread = GetCurrentThreadId();
    face_ = ScalableFace();
  }
  void SetUp() override { ASSERT_FALSE(face_.empty()) << "no TrueType face installed"; }

  static std::string face_;
  static constexpr int32_t kRed = 0x0000FF;
};
std::string FontChooser::face_;

TEST_F(FontChooser, ConfirmedUnchangedGivesBackWhatWasGiven) {
  DialogDriver driver(nullptr, [](HWND dialog) { Press(dialog, IDOK); });
  ASSERT_EQ(ui::ChooseFont(face_.c_str(), 12, CF_EFFECTS, kRed), 1);
  ASSERT_TRUE(driver.Finish());
  EXPECT_EQ(ui::ChosenFontFace(), face_);
  EXPECT_EQ(ui::ChosenFontSize(), 12);
  EXPECT_EQ(ui::ChosenFontColour(), kRed);
  EXPECT_EQ(ui::ChosenFontStyle(), 0);
}

TEST_F(FontChooser, TypedFractionalSizeIsCutToWholePoints) {
  DialogDriver driver(nullptr, [](HWND dialog) {
    // Typing leaves no list item selected; the dialog prefers a selected
    // item over the edit's text, so the selection goes first.
    HWND combo = GetDlgItem(dialog, kFontSizeCombo);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(FindControl(combo, 0x3E9, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10.5"));
    Press(dialog, IDOK);
  });
  ASSERT_EQ(ui::ChooseFont(face_.c_str(), 12, CF_EFFECTS, -1), 1);
  ASSERT_TRUE(driver.Finish());
  EXPECT_EQ(ui::ChosenFontSize(), 10);
}

TEST_F(FontChooser, StyleBitsComeFromTheChosenStyleAndEffects) {
  // Style list order: regular, italic, bold, bold italic.
  struct Case {
    int styleItem;
    int effectBox;
    int expected;
  } cases[] = {
      {3, kUnderlineBox, ui::kFontBold | ui::kFontItalic | ui::kFontUnderline},
      {1, kStrikeOutBox, ui::kFontItalic | ui::kFontStrikeOut},
      {2, 0, ui::kFontBold},
  };
  for (const Case& c : cases) {
    int styleCount = 0;
    DialogDriver driver(nullptr, [&](HWND dialog) {
      styleCount = static_cast<int>(SendDlgItemMessageA(dialog, kFontStyleCombo, CB_GETCOUNT, 0, 0));
      SelectComboItem(dialog, kFontStyleCombo, c.styleItem);
      if (c.effectBox) SendMessageA(GetDlgItem(dialog, c.effectBox), BM_CLICK, 0, 0);
      Press(dialog, IDOK);
    });
    ASSERT_EQ(ui::ChooseFont(face_.c_str(), 10, CF_EFFECTS, -1), 1);
    ASSERT_TRUE(driver.Finish());
    ASSERT_EQ(styleCount, 4);
    EXPECT_EQ(ui::ChosenFontStyle(), c.expected) << c.styleItem;
    EXPECT_EQ(ui::ChosenFontSize(), 10);
  }
}

}  // namespace
