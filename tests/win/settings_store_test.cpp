// settings.dat: the exact file the launcher writes, loading with its
// defaults, alignment and group rules, and saves that cannot happen.
#include "settings/settings_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>

#include "settings/settings.h"
#include "storage/directory.h"
#include "ui/drawing.h"
#include "ui/images.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using settings::gSettings;

// Under Wine the Linux root is drive Z:.
std::string DataFile(const char* name) {
  std::string dir = TROVANTO_TEST_DATA;
  if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
  return dir + "/" + name;
}

using wine_test::ReadFile;
using wine_test::WriteFile;

auto StoredFields(const settings::Settings& s) {
  return std::make_tuple(s.Schriftart, s.Schriftfarbe, s.Schriftgrösse, s.Style, s.Fensterausrichtung,
                         s.Fensterpositionx, s.Fensterpositiony, s.Fensteroption, s.Fensterdocking, s.Passwort,
                         s.Skin);
}

class SettingsStore : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::ImagesStartup();
    ui::RegisterPngDecoder();
    ui::DrawingStartup();
  }
  static void TearDownTestSuite() {
    ui::ImagesShutdown();
    ui::FontsShutdown();
    ui::DrawingShutdown();
  }
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "trovanto_settings_" + std::to_string(GetCurrentProcessId()) + "\\";
    storage::RemoveTree(folder_.c_str(), "*.*", 3);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    // What the start-up leaves before the settings are read.
    gSettings = settings::Settings{};
    gSettings.StartDirectory = folder_;
    gSettings.ProgramDrive = folder_.substr(0, 2);
    ui::FontsShutdown();
    ui::ImagesShutdown();
  }
  void TearDown() override {
    SetFileAttributesA(File().c_str(), FILE_ATTRIBUTE_NORMAL);
    storage::RemoveTree(folder_.c_str(), "*.*", 3);
  }
  std::string File() const { return folder_ + "settings.dat"; }

  std::string folder_;
};

TEST_F(SettingsStore, SaveWritesTheExactFile) {
  gSettings.Schriftart = "Courier New";
  gSettings.Schriftfarbe = 255 * 65536;
  gSettings.Schriftgrösse = 10;
  gSettings.Style = 256 + 16;
  gSettings.Fensterausrichtung = 0;
  gSettings.Fensterpositionx = 100;
  gSettings.Fensterpositiony = -50;
  gSettings.Fensteroption = 1;
  gSettings.Fensterdocking = 1;
  gSettings.Passwort = "";
  gSettings.Skin = "Graphit";
  // Old content must not survive in any form; a hidden file stays hidden.
  WriteFile(File(), std::string(3000, 'x'));
  ASSERT_TRUE(SetFileAttributesA(File().c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(settings::SaveSettings());
  const std::string expected = ReadFile(DataFile("settings_expected.dat"));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ReadFile(File()), expected);
  EXPECT_EQ(GetFileAttributesA(File().c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(SettingsStore, SaveThenLoadGivesBackEveryField) {
  settings::Settings saved = gSettings;
  saved.Schriftart = "Courier New";
  saved.Schriftfarbe = 0x123456;
  saved.Schriftgrösse = 14;
  saved.Style = 256 + 512;
  saved.Fensterausrichtung = 0;
  saved.Fensterpositionx = -20;
  saved.Fensterpositiony = 333;
  saved.Fensteroption = 1;
  saved.Fensterdocking = 1;
  saved.Passwort = "K\xE4se = 1";
  saved.Skin = "Blau Gr\xFCn";
  gSettings = saved;
  settings::SaveSettings();

  gSettings = settings::Settings{};
  gSettings.StartDirectory = saved.StartDirectory;
  gSettings.AccessGranted = 1;
  settings::LoadSettings();
  EXPECT_EQ(StoredFields(gSettings), StoredFields(saved));
  EXPECT_EQ(gSettings.AccessGranted, 0);

  LOGFONTA font{};
  ASSERT_NE(ui::FontHandle(11), nullptr);
  ASSERT_GT(GetObjectA(ui::FontHandle(11), sizeof font, &font), 0);
  EXPECT_STREQ(font.lfFaceName, "Courier New");
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_TRUE(font.lfItalic);
  EXPECT_FALSE(font.lfUnderline);
}

TEST_F(SettingsStore, LoadAppliesDefaultsAlignmentAndGroupRules) {
  using Position = std::function<std::pair<int, int>(int w, int h)>;
  const Position centre = [](int w, int h) { return std::make_pair(w / 2 - 108, h / 2 - 204); };
  const Position kept = [](int, int) { return std::make_pair(11, 22); };
  struct Case {
    const char* what;
    const char* content;
    const char* face;
    int size, style, alignment;
    Position position;
    const char* password;
    int access;
    bool applied;  // font 11 and the skin images made
  } cases[] = {
      {"header only", "[Einstellungen]\r\n", "Arial", 8, 0, 5, centre, "", 1, true},
      {"alignment 0 takes the stored position",
       "[Einstellungen]\r\nFensterausrichtung = 0\r\nFensterpositionx = 100\r\nFensterpositiony = 50\r\n",
       "Arial", 8, 0, 0, [](int, int) { return std::make_pair(100, 50); }, "", 1, true},
      {"alignment 9 ignores the stored position",
       "[Einstellungen]\r\nFensterausrichtung = 9\r\nFensterpositionx = 100\r\nFensterpositiony = 50\r\n",
       "Arial", 8, 0, 9, [](int w, int) { return std::make_pair(w - 216, 0); }, "", 1, true},
      {"alignment 1 leaves room below",
       "[Einstellungen]\r\nFensterausrichtung = 1\r\n", "Arial", 8, 0, 1,
       [](int, int h) { return std::make_pair(0, h - 438); }, "", 1, true},
      {"an unknown alignment keeps the position",
       "[Einstellungen]\r\nFensterausrichtung = 4\r\nFensterpositionx = 100\r\nFensterpositiony = 50\r\n",
       "Arial", 8, 0, 4, kept, "", 1, true},
      {"a password locks", "[Einstellungen]\r\nPasswort = xyz\r\n", "Arial", 8, 0, 5, centre, "xyz", 0,
       true},
      {"the group name is case-sensitive",
       "[einstellungen]\r\nSchriftart = Times\r\nPasswort = xyz\r\nFensterausrichtung = 7\r\n", "", 0, 0, 0,
       kept, "", 1, false},
      {"the last group wins, whole",
       "[Einstellungen]\r\nSchriftart = Times\r\nPasswort = xyz\r\nStyle = 4\r\n"
       "[Andere]\r\nSchriftart = Wrong\r\n"
       "[Einstellungen]\r\nSchriftgr\xF6sse=12\r\nStyle = 512\r\n",
       "Arial", 12, 512, 5, centre, "", 1, true},
      {"a UTF-8 file reads the same",
       "\xEF\xBB\xBF[Einstellungen]\nSchriftart = Times New Roman\nSchriftgr\xC3\xB6sse = 9\n", "Times New Roman",
       9, 0, 5, centre, "", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    gSettings.Fensterpositionx = 11;
    gSettings.Fensterpositiony = 22;
    WriteFile(File(), c.content);
    settings::LoadSettings();

    const int w = settings::gDisplayWidth, h = settings::gDisplayHeight;
    EXPECT_EQ(gSettings.Schriftart, c.face);
    EXPECT_EQ(gSettings.Schriftfarbe, 0);
    EXPECT_EQ(gSettings.Schriftgrösse, c.size);
    EXPECT_EQ(gSettings.Style, c.style);
    EXPECT_EQ(gSettings.Fensterausrichtung, c.alignment);
    EXPECT_EQ(std::make_pair(gSettings.Fensterpositionx, gSettings.Fensterpositiony), c.position(w, h));
    EXPECT_EQ(gSettings.Passwort, c.password);
    EXPECT_EQ(gSettings.AccessGranted, c.access);
    EXPECT_EQ(gSettings.Skin, "");
    EXPECT_EQ(ui::FontHandle(11) != nullptr, c.applied);
    EXPECT_EQ(ui::ImageHandle(76) != nullptr, c.applied);
    EXPECT_EQ(ui::ImageHandle(77) != nullptr, c.applied);
    TearDown();
  }
}

TEST_F(SettingsStore, WithoutFileOnlyDisplaysAndAccessAreSet) {
  settings::gDisplayWidth = settings::gDisplayHeight = 0;
  gSettings.Fensterpositionx = 11;
  settings::LoadSettings();
  EXPECT_EQ(settings::gDisplayWidth, ui::DisplayWidth(0));
  EXPECT_EQ(settings::gDisplayHeight, ui::DisplayHeight(0));
  EXPECT_GT(settings::gDisplayWidth, 0);
  // A drive without settings never asks for a password.
  EXPECT_EQ(gSettings.AccessGranted, 1);
  EXPECT_EQ(gSettings.Passwort, "");
  EXPECT_EQ(gSettings.Schriftart, "");
  EXPECT_EQ(gSettings.Fensterpositionx, 11);
  EXPECT_EQ(ui::FontHandle(11), nullptr);
  EXPECT_EQ(ui::ImageHandle(76), nullptr);
}

TEST_F(SettingsStore, SaveThatCannotWriteChangesNothing) {
  struct Case {
    const char* what;
    std::function<std::string(const std::string& folder)> prepare;  // returns the start directory
  } cases[] = {
      {"read-only file",
       [](const std::string& folder) {
         WriteFile(folder + "settings.dat", "[Einstellungen]\r\nSkin = Alt\r\n");
         SetFileAttributesA((folder + "settings.dat").c_str(), FILE_ATTRIBUTE_READONLY);
         return folder;
       }},
      {"missing folder", [](const std::string& folder) { return folder + "missing\\"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    gSettings.Schriftart = "Arial";
    gSettings.StartDirectory = c.prepare(folder_);
    const std::string before = ReadFile(File());
    settings::SaveSettings();
    EXPECT_EQ(ReadFile(File()), before);
    EXPECT_EQ(storage::PathSize((folder_ + "missing").c_str()), -1);
    TearDown();
  }
}

}  // namespace
