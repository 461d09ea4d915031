// The settings dialog driven through its real controls: typed characters,
// clicked options and buttons, events forwarded to the dialog's handler the
// way the main loop forwards them.
#include "settings/settings_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "settings/password_prompt.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/shift_text.h"
#include "settings/skins.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using settings::gSettings;

constexpr int kMain = 60, kDialog = 65, kMainList = 89;

using wine_test::RepoPath;
using wine_test::ScalableFace;

// One turn of the main loop, as far as the settings dialog is concerned.
void Forward(int event) {
  const int c = ui::EventSource();
  if (event == ui::kControlEvent && (c == 10 || c == 52 || c == 53 || (c >= 66 && c <= 75) || (c >= 82 && c <= 84)))
    settings::SettingsControlEvent(c, ui::EventSubtype());
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  return wine_test::PumpUntil(Forward, done, timeoutMs);
}

void PumpFor(DWORD ms) { wine_test::PumpFor(Forward, ms); }

HWND Control(int n) { return ui::ControlHandle(n); }

// Characters as the keyboard delivers them, in Unicode, so that the
// Windows-1252 letters arrive whatever the code page of the process.
void Type(HWND field, const std::wstring& text) {
  PostMessageW(field, EM_SETSEL, 32767, 32767);  // at the end
  wine_test::PostChars(field, text);
}

void ClearField(int control) {
  PostMessageW(Control(control), EM_SETSEL, 0, -1);
  PostMessageW(Control(control), WM_CHAR, VK_BACK, 1);
}

void Click(int control) { PostMessageW(Control(control), BM_CLICK, 0, 0); }

bool Checked(int control) { return SendMessageW(Control(control), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool MainAt(int x, int y) {
  RECT r{};
  GetWindowRect(ui::WindowHandle(kMain), &r);
  return r.left == x && r.top == y;
}

// The fields settings.dat holds, in file order.
using Stored = std::tuple<std::string, int, int, int, int, int, int, int, int, std::string, std::string>;

auto Fields() {
  auto& s = gSettings;
  return std::tie(s.Schriftart, s.Schriftfarbe, s.Schriftgrösse, s.Style, s.Fensterausrichtung, s.Fensterpositionx,
                  s.Fensterpositiony, s.Fensteroption, s.Fensterdocking, s.Passwort, s.Skin);
}
Stored Current() { return Fields(); }
void Apply(const Stored& v) { Fields() = v; }

std::string gStartDirectory;

class SettingsDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wine_test::StartServices();
    ui::RegisterPngDecoder();
    wine_test::MakeDialogFonts();
    ASSERT_NO_FATAL_FAILURE(wine_test::LoadIcons(RepoPath("resources/pictures/"), {20, 23, 24, 26, 29, 34}));

    // A start directory of our own with two skins.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    gStartDirectory = std::string(temp) + "trovanto-settings-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(gStartDirectory.c_str(), nullptr);
    CreateDirectoryA((gStartDirectory + "Skins").c_str(), nullptr);
    for (std::string skin : {"Blau", "Graphit"}) {
      std::string folder = gStartDirectory + "Skins\\" + skin;
      CreateDirectoryA(folder.c_str(), nullptr);
      ASSERT_TRUE(CopyFileA(RepoPath("resources/skins/" + skin + "/skin.png").c_str(),
                            (folder + "\\skin.png").c_str(), FALSE));
    }
    gSettings.StartDirectory = gStartDirectory;
    ui::ScanDisplays();
    settings::gDisplayWidth = ui::DisplayWidth(0);
    settings::gDisplayHeight = ui::DisplayHeight(0);

    ASSERT_NO_FATAL_FAILURE(wine_test::CreateMainWindow(100, 100));
    ASSERT_NE(wine_test::CreateMainList(8, 60, 160, 300), 0);
    settings::PrepareSkinImage("");
  }

  static void TearDownTestSuite() {
    wine_test::StopServices();
    DeleteFileA((gStartDirectory + "settings.dat").c_str());
    for (std::string skin : {"Blau", "Graphit"}) {
      DeleteFileA((gStartDirectory + "Skins\\" + skin + "\\skin.png").c_str());
      RemoveDirectoryA((gStartDirectory + "Skins\\" + skin).c_str());
    }
    RemoveDirectoryA((gStartDirectory + "Skins").c_str());
    RemoveDirectoryA(gStartDirectory.c_str());
  }

  void SetUp() override {
    Apply({"Arial", 0, 8, 0, 5, 404, 180, 0, 0, "", ""});
    gSettings.AccessGranted = 1;
    settings::gSkinNames = {"Graphit", "Blau"};
    ui::MoveResizeWindow(kMain, 100, 100, ui::kKeepValue, ui::kKeepValue);
    DeleteFileA((gStartDirectory + "settings.dat").c_str());
    PumpFor(50);
  }

  void TearDown() override {
    ui::CloseProgramWindow(kDialog);
    PumpFor(50);
  }

  // Opens the dialog and lets every report that opening caused arrive.
  static void Open() {
    settings::OpenSettingsDialog();
    ASSERT_TRUE(ui::WindowHandle(kDialog));
    PumpFor(300);
  }

  static void SaveAndReload() {
    Click(53);
    ASSERT_TRUE(PumpUntil([] { return ui::WindowHandle(kDialog) == nullptr; }));
    Apply({"", 0, 0, 0, 0, 0, 0, 0, 0, "", ""});
    settings::LoadSettings();
  }
};

TEST_F(SettingsDialog, FillShowsTheRecordAndChangesNothingOutsideTheDialog) {
  // A hand-edited password byte below 33 does not survive unscrambling and
  // scrambling again, so any rewrite of the password would show.
  Apply({"Arial", 0, 8, 0, 0, -20, 50, 1, 1, "\x05geheim", ""});
  ui::MoveResizeWindow(kMain, 333, 222, ui::kKeepValue, ui::kKeepValue);
  const Stored before = Current();
  Open();

  EXPECT_TRUE(Checked(71));
  for (int other : {66, 67, 68, 69, 70, 72, 75}) EXPECT_FALSE(Checked(other)) << other;
  EXPECT_TRUE(Checked(73));
  EXPECT_TRUE(Checked(74));
  EXPECT_EQ(ui::GetControlText(83), "-20");
  EXPECT_EQ(ui::GetControlText(84), "50");
  EXPECT_EQ(SendMessageW(Control(86), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(ui::FontHandle(11)));

  // Filling the fields notifies like typing does, and those reports may
  // reach the loop late: none of it may move the main window or rewrite a
  // field of the record.
  EXPECT_TRUE(MainAt(333, 222));
  EXPECT_TRUE(Current() == before);
  for (int field : {82, 83, 84}) settings::SettingsControlEvent(field, ui::kItemChange);
  PumpFor(100);
  EXPECT_TRUE(MainAt(333, 222));
  EXPECT_TRUE(Current() == before);
}

TEST_F(SettingsDialog, StoredPasswordIsShownMaskedAndSavedUnchanged) {
  gSettings.Passwort = settings::ShiftText("Geheim7", 32);
  gSettings.AccessGranted = 0;
  const std::string stored = gSettings.Passwort;
  Open();

  EXPECT_TRUE(GetWindowLongW(Control(82), GWL_STYLE) & ES_PASSWORD);
  EXPECT_EQ(GetWindowTextLengthW(Control(82)), 7);
  // Passing through the field (focus in and out) keeps the password too.
  SetFocus(Control(82));
  SetFocus(Control(83));
  PumpFor(100);
  SaveAndReload();
  EXPECT_EQ(gSettings.Passwort, stored);
}

TEST_F(SettingsDialog, PasswordTypedOrClearedTakesEffectWithoutGrantingAccess) {
  gSettings.Passwort = settings::ShiftText("alt", 32);
  gSettings.AccessGranted = 0;
  Open();

  Type(Control(82), L"Neu 1");
  ASSERT_TRUE(PumpUntil([] { return gSettings.Passwort == settings::ShiftText("altNeu 1", 32); }));
  ClearField(82);
  ASSERT_TRUE(PumpUntil([] { return gSettings.Passwort.empty(); }));
  EXPECT_EQ(gSettings.AccessGranted, 0);
  SaveAndReload();
  EXPECT_EQ(gSettings.Passwort, "");
  EXPECT_EQ(gSettings.AccessGranted, 1);  // no password: nobody is asked after a restart
}

// A character Windows-1252 lacks would be stored as its look-alike ("l" for
// an l with stroke): it is refused with a message, and the field goes back to
// the password in effect.
TEST_F(SettingsDialog, PasswordCharactersWindows1252LacksAreRefused) {
  gSettings.Passwort = settings::ShiftText("alt", 32);
  Open();
  const DWORD gui = GetCurrentThreadId();
  std::string title, message;
  std::atomic<bool> done{false};
  std::thread user([&] {
    message = wine_test::AnswerMessageBox(gui, 5000, &title);
    done = true;
  });
  Type(Control(82), L"\u0142");
  const bool answered = PumpUntil([&] { return done.load(); }, 8000) && !message.empty();
  user.join();
  ASSERT_TRUE(answered) << "no message";
  EXPECT_EQ(message,
            "Dieses Zeichen kann nicht in einem Passwort stehen!\r\n\r\n"
            "Erlaubt sind Buchstaben, Ziffern und Zeichen des westeurop\xE4ischen Zeichensatzes (Windows-1252).");
  EXPECT_EQ(title, settings::TitleWithVersion());
  PumpFor(200);
  EXPECT_EQ(gSettings.Passwort, settings::ShiftText("alt", 32));
  EXPECT_EQ(wine_test::WindowText(Control(82)), "alt");
  // What it can hold is still taken.
  Type(Control(82), L"\u20AC");
  ASSERT_TRUE(PumpUntil([] { return gSettings.Passwort == settings::ShiftText("alt\x80", 32); }));
}

TEST_F(SettingsDialog, UmlautPasswordIsStoredValidlyAndAcceptedAfterReload) {
  Open();
  Type(Control(82), L"\u00E4\u00F6\u00FC");
  ASSERT_TRUE(PumpUntil([] { return settings::ShiftText(gSettings.Passwort, -32) == "\xE4\xF6\xFC"; }));
  const std::string stored = gSettings.Passwort;
  for (char c : stored) EXPECT_TRUE(c != '\0' && c != '\r' && c != '\n' && c != ' ' && c != '\t');
  SaveAndReload();
  ASSERT_EQ(gSettings.Passwort, stored);
  ASSERT_EQ(gSettings.AccessGranted, 0);

  // Typed again into the prompt, exactly as it was set.
  const DWORD gui = GetCurrentThreadId();
  std::atomic<bool> ended{false};
  std::thread user([&] {
    HWND field = nullptr;
    for (DWORD start = GetTickCount(); !field && GetTickCount() - start < 5000; Sleep(20)) {
      GUITHREADINFO info = {};
      info.cbSize = sizeof info;
      if (GetGUIThreadInfo(gui, &info) && info.hwndFocus && GetDlgCtrlID(info.hwndFocus) == 78)
        field = info.hwndFocus;
    }
    if (!field) return;
    Type(field, L"\u00E4\u00F6\u00FC");
    PostMessageW(GetDlgItem(GetAncestor(field, GA_ROOT), 44), BM_CLICK, 0, 0);
    for (DWORD start = GetTickCount(); !ended && GetTickCount() - start < 5000;) Sleep(20);
    if (!ended) PostMessageW(GetAncestor(field, GA_ROOT), WM_CLOSE, 0, 0);
  });
  settings::RunPasswordPrompt();
  ended = true;
  user.join();
  EXPECT_EQ(gSettings.AccessGranted, 1);
}

TEST_F(SettingsDialog, AlignmentOptionsAndFieldsPlaceTheMainWindow) {
  Apply({"Arial", 0, 8, 0, 0, 100, 50, 0, 0, "", ""});
  Open();

  Click(66);
  ASSERT_TRUE(PumpUntil([] { return MainAt(0, 0); }));
  EXPECT_EQ(gSettings.Fensterausrichtung, 7);
  EXPECT_EQ(ui::GetControlText(83), "100");  // the fields keep their numbers
  EXPECT_EQ(ui::GetControlText(84), "50");

  Click(71);
  ASSERT_TRUE(PumpUntil([] { return MainAt(100, 50); }));
  EXPECT_EQ(gSettings.Fensterausrichtung, 0);
  Type(Control(84), L"7");
  ASSERT_TRUE(PumpUntil([] { return MainAt(100, 507); }));
  EXPECT_EQ(gSettings.Fensterpositiony, 507);

  const int w = settings::gDisplayWidth, h = settings::gDisplayHeight;
  struct {
    int option, code, x, y;
  } presets[] = {{67, 9, w - 216, 0}, {68, 5, w / 2 - 108, h / 2 - 204}, {69, 1, 0, h - 438}, {70, 3, w - 216, h - 438}};
  for (const auto& p : presets) {
    Click(p.option);
    EXPECT_TRUE(PumpUntil([&] { return MainAt(p.x, p.y); })) << p.option;
    EXPECT_EQ(std::make_tuple(gSettings.Fensterausrichtung, gSettings.Fensterpositionx, gSettings.Fensterpositiony),
              std::make_tuple(p.code, p.x, p.y));
  }

  // With a preset chosen, typing into a field puts the dragged window back
  // at the preset rather than at the typed numbers.
  ui::MoveResizeWindow(kMain, 300, 300, ui::kKeepValue, ui::kKeepValue);
  ASSERT_TRUE(PumpUntil([] { return MainAt(300, 300); }));
  Type(Control(83), L"9");
  EXPECT_TRUE(PumpUntil([&] { return MainAt(w - 216, h - 438); }));
  EXPECT_EQ(ui::GetControlText(83), "1009");
}

TEST_F(SettingsDialog, FocusAndDockingOptionsTakeEffectAtOnce) {
  Open();
  auto topmost = [] { return (GetWindowLongW(ui::WindowHandle(kMain), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  Click(73);
  ASSERT_TRUE(PumpUntil(topmost));
  EXPECT_EQ(gSettings.Fensteroption, 1);
  EXPECT_TRUE(MainAt(100, 100));
  Click(72);
  ASSERT_TRUE(PumpUntil([&] { return !topmost(); }));
  EXPECT_EQ(gSettings.Fensteroption, 0);

  Click(74);
  ASSERT_TRUE(PumpUntil([] { return gSettings.Fensterdocking == 1; }));
  Click(75);
  ASSERT_TRUE(PumpUntil([] { return gSettings.Fensterdocking == 0; }));
  EXPECT_TRUE(Checked(72));  // separate groups
}

TEST_F(SettingsDialog, SkinListIsSortedPreselectedIgnoringCaseAndAppliedOnlyWhenChosen) {
  settings::gSkinNames = {"graphit", "Blau", "Zinn", "blau"};
  gSettings.Skin = "BLAU";
  Open();

  EXPECT_EQ(settings::gSkinNames, (std::vector<std::string>{"Blau", "Zinn", "blau", "graphit"}));
  ASSERT_EQ(ui::CountControlItems(10), 4);
  EXPECT_EQ(ui::GetControlState(10), 2);  // the last of the names equal ignoring case
  EXPECT_EQ(gSettings.Skin, "BLAU");      // the preselection applied nothing

  auto choose = [](int item) {
    SendMessageW(Control(10), CB_SETCURSEL, item, 0);
    PostMessageW(ui::WindowHandle(kDialog), WM_COMMAND, MAKEWPARAM(10, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Control(10)));
  };
  choose(3);
  ASSERT_TRUE(PumpUntil([] { return gSettings.Skin == "graphit"; }));
  choose(1);  // no such folder: nothing changes
  PumpFor(200);
  EXPECT_EQ(gSettings.Skin, "graphit");

  ui::CloseProgramWindow(kDialog);
  settings::gSkinNames.clear();
  Open();
  EXPECT_EQ(ui::CountControlItems(10), 0);
  EXPECT_EQ(ui::GetControlState(10), -1);
}

void PressKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

// With Skin naming no folder the first skin is preselected but not in use:
// picking it, which changes no selection, applies it.
TEST_F(SettingsDialog, PickingThePreselectedSkinAppliesIt) {
  for (const bool byMouse : {false, true}) {
    SCOPED_TRACE(byMouse ? "mouse" : "keyboard");
    gSettings.Skin = "Verschwunden";
    Open();
    ASSERT_EQ(ui::GetControlState(10), 0);
    ASSERT_EQ(gSettings.Skin, "Verschwunden");
    HWND combo = Control(10);
    SetForegroundWindow(ui::WindowHandle(kDialog));
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    auto dropped = [&] { return GetComboBoxInfo(combo, &info) && IsWindowVisible(info.hwndList); };
    if (byMouse) {
      wine_test::ClickAt(wine_test::CentreOf(combo));
      ASSERT_TRUE(PumpUntil(dropped)) << "the list did not drop down";
      RECT first{};
      ASSERT_NE(SendMessageW(info.hwndList, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)), LB_ERR);
      MapWindowPoints(info.hwndList, nullptr, reinterpret_cast<POINT*>(&first), 2);
      wine_test::ClickAt({(first.left + first.right) / 2, (first.top + first.bottom) / 2});
    } else {
      SetFocus(combo);
      PressKey(VK_F4);
      ASSERT_TRUE(PumpUntil(dropped)) << "F4 did not drop the list down";
      PressKey(VK_RETURN);
    }
    EXPECT_TRUE(PumpUntil([] { return gSettings.Skin == "Blau"; })) << "Skin is \"" << gSettings.Skin << "\"";
    EXPECT_EQ(ui::GetControlState(10), 0);
    ui::CloseProgramWindow(kDialog);
    PumpFor(50);
  }
}

TEST_F(SettingsDialog, SavingWritesEveryFieldAndReloadGivesItBack) {
  const Stored wanted{"Courier New", 0x123456, 11, 768, 0, 12, 34, 1, 1, settings::ShiftText("Pa\xDF wort", 32), "Blau"};
  Apply(wanted);
  Open();
  SaveAndReload();
  EXPECT_TRUE(Current() == wanted);
}

TEST_F(SettingsDialog, FontButtonReplacesTheUserFontAndDropsTheOldStyle) {
  const std::string face = ScalableFace();
  ASSERT_FALSE(face.empty());
  Apply({face, 255, 10, ui::kFontBold | ui::kFontHighQuality, 5, 0, 0, 0, 0, "", ""});
  Open();

  // The requester is confirmed untouched by a helper thread.
  const DWORD gui = GetCurrentThreadId();
  std::thread user([gui] {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20)) {
      HWND dialog = nullptr;
      EnumThreadWindows(
          gui,
          [](HWND window, LPARAM param) CALLBACK -> BOOL {
            char cls[16] = {};
            GetClassNameA(window, cls, sizeof cls);
            if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&dialog));
      if (dialog) {
        Sleep(100);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return;
      }
    }
  });
  Click(52);
  const bool changed = PumpUntil([] { return gSettings.Style == 0; }, 10000);
  user.join();
  ASSERT_TRUE(changed);
  EXPECT_EQ(std::make_tuple(gSettings.Schriftart, gSettings.Schriftgrösse, gSettings.Schriftfarbe),
            std::make_tuple(face, 10, 255));
  HFONT font = ui::FontHandle(11);
  ASSERT_TRUE(font);
  EXPECT_EQ(SendMessageW(Control(86), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
  EXPECT_EQ(SendMessageW(Control(kMainList), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
}

TEST_F(SettingsDialog, ReportsOfAClosedDialogChangeNothing) {
  Apply({"Arial", 0, 8, 0, 0, 40, 40, 0, 0, settings::ShiftText("bleibt", 32), ""});
  Open();
  ui::CloseProgramWindow(kDialog);
  PumpFor(100);
  const Stored before = Current();
  for (int control : {82, 83, 84})
    for (int type : {ui::kItemChange, ui::kFocusLost}) settings::SettingsControlEvent(control, type);
  EXPECT_TRUE(Current() == before);
  EXPECT_TRUE(MainAt(100, 100));
}

TEST(PositionText, ReadsLikeADecimalNumber) {
  struct {
    const char* text;
    int value;
  } cases[] = {{"", 0},     {"123", 123},         {"  \t-45x7", -45},          {"+8", 8},
               {"abc", 0},  {"-", 0},             {"2147483647", 2147483647}, {"99999999999", 2147483647},
               {"1 2", 1},  {"-99999999999", -2147483647 - 1}};
  for (const auto& c : cases) EXPECT_EQ(settings::ParsePosition(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
