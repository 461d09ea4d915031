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
#include "support/wine_test_support.h"

namespace {

using settings::gSettings;

constexpr int kInfo = 61;

std::vector<std::string> gMails, gWebsites;
void RecordMail(const char* address) { gMails.push_back(address); }
void RecordWebsite(const char* address) { gWebsites.push_back(address); }

using wine_test::RepoPath;
using wine_test::WindowText;

void Forward(int event) {
  if (event != ui::kControlEvent) return;
  int control = ui::EventSource();
  if (control == 38 || control == 39 || control == 43) settings::InfoControlEvent(control, ui::EventSubtype());
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  return wine_test::PumpUntil(Forward, done, timeoutMs);
}

void PumpFor(DWORD ms) { wine_test::PumpFor(Forward, ms); }

// A real mouse click in the middle of the control.
void ClickCentre(int control) {
  const POINT p = wine_test::CentreOf(ui::ControlHandle(control));
  SetCursorPos(p.x, p.y);
  PumpFor(50);
  wine_test::PressMouse();
}

class InfoDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wine_test::StartServices();
    wine_test::MakeDialogFonts();
    ASSERT_NO_FATAL_FAILURE(wine_test::LoadIcons(RepoPath("resources/pictures/"), {20, 23, 24, 26, 29}));
    ASSERT_NO_FATAL_FAILURE(wine_test::CreateMainWindow(0, 0));
    wine_test::CreateMainList(8, 60, 160, 300);
    gSettings.Title = "Trovanto";
    gSettings.Version = "1.0";
    settings::SetMailOpenerForTesting(RecordMail);
    settings::SetWebsiteOpenerForTesting(RecordWebsite);
  }
  static void TearDownTestSuite() {
    settings::SetMailOpenerForTesting(nullptr);
    settings::SetWebsiteOpenerForTesting(nullptr);
    wine_test::StopServices();
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
