// The status strip's tick runs on the timer thread while the GUI thread
// changes skins and reloads the list font: nothing may crash, and the strip
// must come out whole. TROVANTO_STRESS=1 runs it for 60 s, otherwise 5 s, and
// counts the GUI objects over 11,000 ticks, otherwise 3,300.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/status_strip.h"
#include "catalogue/catalogue_store.h"
#include "catalogue/program_list.h"
#include "settings/settings.h"
#include "settings/skins.h"
#include "ui/controls.h"
#include "ui/drawing.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/timer.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using settings::gSettings;

std::string Folder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "trovanto-strip-" + std::to_string(GetCurrentProcessId()) + "\\";
}

bool CopySkin(const std::string& from, const std::string& root, const char* name) {
  std::string dir = root + "Skins\\" + name;
  CreateDirectoryA((root + "Skins").c_str(), nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  return CopyFileA(from.c_str(), (dir + "\\skin.png").c_str(), FALSE) != 0;
}

// Reads image 35 back as 32-bit pixels, top row first.
std::vector<uint32_t> StripPixels() {
  std::vector<uint32_t> px(198 * 24);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 198;
  bi.bmiHeader.biHeight = -24;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, static_cast<HBITMAP>(ui::ImageHandle(35)), 0, 24, px.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return px;
}

uint32_t At(const std::vector<uint32_t>& px, int x, int y) { return px[static_cast<size_t>(y * 198 + x)] & 0xFFFFFF; }

// The parts of the launcher the strip needs: services, fonts, pictures, a
// skin and the shown main window. Fatal on failure: wrap in ASSERT_NO_FATAL_FAILURE.
void SetUpLauncherParts() {
  std::string root = Folder();
  CreateDirectoryA(root.c_str(), nullptr);
  ASSERT_TRUE(CopySkin(TROVANTO_SKINS_DIR "/Blau/skin.png", root, "Blau"));
  ASSERT_TRUE(CopySkin(TROVANTO_SKINS_DIR "/Graphit/skin.png", root, "Graphit"));

  ui::DrawingStartup();
  ui::WindowsStartup();
  ui::ControlsStartup();
  ui::ImagesStartup();
  ui::TimerStartup();
  ui::RegisterPngDecoder();
  ui::MakeFont(12, "Arial", 8, 0);
  ui::MakeFont(14, "Arial", 7, 0);
  ASSERT_EQ(ui::LoadEmbeddedPictures(), 21);

  gSettings.Title = "Trovanto";
  gSettings.Version = "1.0";
  const char* days[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  for (int i = 0; i < 7; ++i) gSettings.DayNames[static_cast<size_t>(i)] = days[i];
  for (int i = 1; i <= 7; ++i) gSettings.CommandCaptions[static_cast<size_t>(i)] = "Befehl " + std::to_string(i);
  gSettings.StartDirectory = root;
  gSettings.ProgramDrive = root.substr(0, 2);
  gSettings.Fensterpositionx = 100;
  gSettings.Fensterpositiony = 100;
  settings::PrepareSkinImage("Blau");
  ui::MakeFont(11, "Arial", 8, 0);
  app::CreateMainWindow();
  ASSERT_NE(ui::WindowHandle(app::kMainWindow), nullptr);
  ui::HideProgramWindow(app::kMainWindow, 0);
}

bool StressRun() {
  const char* stress = std::getenv("TROVANTO_STRESS");
  return stress && std::string(stress) == "1";
}

void TearDownLauncherParts() {
  ui::TimerShutdown();
  ui::WindowsShutdown();
  ui::ImagesShutdown();
  ui::FontsShutdown();
}

TEST(StripStress, TicksSurviveSkinAndFontChangesOnTheGuiThread) {
  const DWORD seconds = StressRun() ? 60 : 5;
  ASSERT_NO_FATAL_FAILURE(SetUpLauncherParts());

  // Ten times the launcher's pace, to meet the GUI thread's work more often.
  ASSERT_NE(ui::StartPeriodicTimer(0, 25, app::StatusStripTick), 0u);
  RECT column;
  GetWindowRect(ui::ControlHandle(app::kButtonColumn), &column);
  const char* faces[2] = {"Arial", "Liberation Serif"};
  int round = 0;
  for (DWORD start = GetTickCount(); GetTickCount() - start < seconds * 1000; ++round) {
    settings::ApplySkin(round % 2 ? "Graphit" : "Blau");
    ui::MakeFont(11, faces[round % 2], 7 + round % 5, (round % 3) * ui::kFontBold);
    ui::SetControlFont(app::kProgramList, ui::FontHandle(11));
    // The pointer wanders over the buttons, so that captions are drawn too.
    SetCursorPos(column.left + 20, column.top + 10 + (round * 37) % 280);
    while (ui::WaitForEvent(0) != ui::kNoEvent) {
    }
    Sleep(5);
  }
  ui::TimerShutdown();
  EXPECT_GT(round, 10);

  // Nothing drawn past the panels: the frame is whole, the lamp one of its
  // two colours.
  auto px = StripPixels();
  const uint32_t grey = 0x969696;
  for (int x = 0; x < 198; ++x) EXPECT_EQ(At(px, x, 23), grey) << "bottom row, x " << x;
  for (int y = 0; y < 24; ++y) EXPECT_EQ(At(px, 197, y), grey) << "right column, y " << y;
  for (int y = 13; y < 23; ++y) EXPECT_EQ(At(px, 186, y), grey) << "gauge border, y " << y;
  for (int y : {0, 11, 12, 23}) EXPECT_EQ(At(px, 0, y), grey) << "left column, y " << y;
  uint32_t lamp = At(px, 192, 19);
  EXPECT_TRUE(lamp == 0xA00000 || lamp == 0x00A000) << std::hex << lamp;

  TearDownLauncherParts();
}

// A launcher is left running for days: one object lost per tick or per list
// refill would sink it. After a warm-up the counts stay where they are.
TEST(StripStress, GuiObjectCountsStayFlatOverTicksAndListRefills) {
  ASSERT_NO_FATAL_FAILURE(SetUpLauncherParts());
  for (int i = 0; i < 3; ++i) {
    catalogue::AppEntry& entry = catalogue::gCatalogue.Add();
    entry.Name = "Programm " + std::to_string(i);
    entry.Icon = ui::ImageHandle(15);
  }
  HWND list = ui::ControlHandle(app::kProgramList);
  RECT column;
  GetWindowRect(ui::ControlHandle(app::kButtonColumn), &column);
  // Every tick draws: the pointer goes from a button (its caption) to the
  // list (the date) and back.
  auto run = [&](int ticks, int refills) {
    for (int i = 0; i < ticks; ++i) {
      if (i % 2) {
        SetCursorPos(column.left + 20, column.top + 10 + 40 * (i / 2 % 7));
      } else {
        SetCursorPos(column.left - 100, column.top + 10);
      }
      app::StatusStripTick();
      if (refills > 0 && i % (ticks / refills) == 0) {
        catalogue::FillProgramList(app::kProgramList, catalogue::ListContents::kLive);
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        while (ui::WaitForEvent(0) != ui::kNoEvent) {
        }
      }
    }
  };
  // One object a tick or a refill shows after a few thousand ticks as well.
  const int scale = StressRun() ? 10 : 3;
  run(100 * scale, 10 * scale);
  const wine_test::GuiObjects warm = wine_test::CountGuiObjects();
  ASSERT_GT(warm.gdi, 0);
  ASSERT_GT(warm.user, 0);
  run(1000 * scale, 100 * scale);
  const wine_test::GuiObjects after = wine_test::CountGuiObjects();
  EXPECT_LE(after.gdi, warm.gdi);
  EXPECT_LE(after.user, warm.user);
  EXPECT_EQ(ListView_GetItemCount(list), 3);
  catalogue::gCatalogue.Clear();
  TearDownLauncherParts();
}

}  // namespace
