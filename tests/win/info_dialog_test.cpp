// The information dialog with real clicks on its links and button; the
// shell calls are replaced so that no browser or mail program starts.
#include "settings/info_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/links.h"
#include "settings/settings.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/ui.h"

namespace {

using settings::gSettings;

constexpr int kMain = 60, kInfo = 61;

std::vector<std::string> gMails, gWebsites;
void RecordMail(const char* address) { gMails.push_back(address); }
void RecordWebsite(const char* address) { gWebsites.push_back(address); }

std::string RepoPath(const char* relative) {
  return std::string("Z:") + TROVANTO_TEST_DATA + "/../../" + relative;
}

void Forward(int event) {
  if (event != ui::kControlEvent) return;
  int control = ui::EventSource();
  if (control == 38 || control == 39 || control == 43) settings::InfoControlEvent(control, ui::EventSubtype());
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
    Forward(ui::WaitForEvent(20));
    if (done()) return true;
  }
  return done();
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// A real mouse click in the middle of the control.
void ClickCentre(int control) {
  RECT r{};
  GetWindowRect(ui::ControlHandle(control), &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PumpFor(50);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

std::string WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  char narrow[256] = {};
  WideCharToMultiByte(1252, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

class InfoDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::WindowsStartup();
    ui::ControlsStartup();
    ui::ImagesStartup();
    ui::MakeFont(11, "Arial", 8, 0);
    ui::MakeFont(12, "Tahoma", 8, 0);
    ui::MakeFont(13, "Tahoma", 8, ui::kFontBold);
    ui::MakeFont(14, "Tahoma", 7, 0);
    for (int n : {20, 23, 24, 26, 29}) {
      std::string path = RepoPath("resources/pictures/") + std::to_string(n) + ".ico";
      ASSERT_NE(ui::ImageFromFile(n, path.c_str()), 0) << path;
    }
    ASSERT_NE(ui::CreateProgramWindow(kMain, 0, 0, 216, 408, "", ui::kBorderlessPopup, nullptr), 0);
    ui::UseControlParent(ui::WindowHandle(kMain));
    ui::CreateIconList(89, 8, 60, 160, 300, "", 160, 0);
    gSettings.Title = "Trovanto";
    gSettings.Version = "1.0";
    settings::SetMailOpenerForTesting(RecordMail);
    settings::SetWebsiteOpenerForTesting(RecordWebsite);
  }
  static void TearDownTestSuite() {
    settings::SetMailOpenerForTesting(nullptr);
    settings::SetWebsiteOpenerForTesting(nullptr);
    ui::WindowsShutdown();
    ui::ImagesShutdown();
    ui::FontsShutdown();
  }
  void SetUp() override {
    gMails.clear();
    gWebsites.clear();
    settings::OpenInfoDialog();
    ASSERT_TRUE(ui::WindowHandle(kInfo));
    PumpFor(200);
  }
  void TearDown() override {
    ui::CloseProgramWindow(kInfo);
    PumpFor(50);
  }
};

TEST_F(InfoDialog, ShowsTitleAndLinksWithoutScheme) {
  EXPECT_EQ(WindowText(ui::WindowHandle(kInfo)), "\xDC" "ber...");
  EXPECT_EQ(ui::GetControlText(39), settings::kMailAddress);
  if (std::string(settings::kWebsite) != "https://www.trovanto.example/") GTEST_SKIP() << "addresses of this build";
  EXPECT_EQ(ui::GetControlText(38), "www.trovanto.example");
}

TEST_F(InfoDialog, LinksOpenTheirAddressesAndLeaveTheDialogOpen) {
  ClickCentre(39);
  ASSERT_TRUE(PumpUntil([] { return !gMails.empty(); }));
  ClickCentre(38);
  ASSERT_TRUE(PumpUntil([] { return !gWebsites.empty(); }));
  PumpFor(200);
  EXPECT_EQ(gMails, std::vector<std::string>{std::string("mailto:") + settings::kMailAddress + "?Subject=Trovanto v1.0"});
  EXPECT_EQ(gWebsites, std::vector<std::string>{settings::kWebsite});
  EXPECT_TRUE(ui::WindowHandle(kInfo));
}

TEST_F(InfoDialog, ButtonClosesTheDialog) {
  ClickCentre(43);
  ASSERT_TRUE(PumpUntil([] { return ui::WindowHandle(kInfo) == nullptr; }));
  EXPECT_TRUE(gMails.empty());
  EXPECT_TRUE(gWebsites.empty());
}

TEST_F(InfoDialog, ClickReportedAfterTheDialogClosedOpensNothing) {
  ui::CloseProgramWindow(kInfo);
  settings::InfoControlEvent(39, ui::kLeftClick);
  settings::InfoControlEvent(38, ui::kLeftClick);
  EXPECT_TRUE(gMails.empty());
  EXPECT_TRUE(gWebsites.empty());
}

}  // namespace
