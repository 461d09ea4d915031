#include "settings/settings_store.h"

#include <cstdint>
#include <string>

#include "settings/alignment.h"
#include "settings/settings.h"
#include "settings/skins.h"
#include "storage/line_counter.h"
#include "storage/preference_file.h"
#include "ui/standard_dialogs.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesSettingsStore)

namespace settings {

const char kSettingsFileName[] = "settings.dat";

namespace {

// File, group, key names and comments are written byte for byte as users of
// older files expect them; the umlauts are Windows-1252 bytes.
constexpr const char* kFileName = kSettingsFileName;
constexpr char kGroup[] = "Einstellungen";
constexpr char kFontFaceKey[] = "Schriftart";
constexpr char kFontColourKey[] = "Schriftfarbe";
constexpr char kFontSizeKey[] = "Schriftgr\xF6sse";
constexpr char kStyleKey[] = "Style";
constexpr char kAlignmentKey[] = "Fensterausrichtung";
constexpr char kPositionXKey[] = "Fensterpositionx";
constexpr char kPositionYKey[] = "Fensterpositiony";
constexpr char kOnTopKey[] = "Fensteroption";
constexpr char kDockingKey[] = "Fensterdocking";
constexpr char kPasswordKey[] = "Passwort";
constexpr char kSkinKey[] = "Skin";

constexpr const char* kStyleComments[] = {
    "  0 = Normal", "  4 = Unterstrichen", "  8 = Durchgestrichen",
    " 16 = Hohe Qualit\xE4t", "256 = Fett", "512 = Kursiv",
};
constexpr const char* kAlignmentComments[] = {
    "0 = Auf x & y ausrichten", "1 = Links unten", "3 = Rechts unten",
    "5 = Zentriert", "7 = Links oben", "9 = Rechts oben",
};
constexpr const char* kOnTopComments[] = {"0 = Normal", "1 = Immer im Vordergrund"};
constexpr const char* kDockingComments[] = {"0 = Aus", "1 = An"};
constexpr const char* kPasswordComment = "Passwort leer = Keine Passwortabfrage";

// Follows the quoted file name.
constexpr char kSaveFailedText[] =
    "\" konnte nicht gespeichert werden!\n\nDie \xC4nderungen gelten nur bis zum Beenden.";
constexpr uint32_t kErrorIcon = 16;

constexpr int kUserFont = 11;
constexpr int kAlignAtPosition = 0;

template <size_t N>
void WriteComments(const char* const (&texts)[N]) {
  for (const char* text : texts) preference::WriteComment(text);
}

// Reads the current group into gSettings and makes what depends on it.
void ApplyGroup() {
  MARK_LINE();
  Settings& s = gSettings;
  s.Schriftart = preference::ReadString(kFontFaceKey, "Arial");
  s.Schriftfarbe = preference::ReadInt(kFontColourKey, 0);
  s.Schriftgrösse = preference::ReadInt(kFontSizeKey, 8);
  s.Style = preference::ReadInt(kStyleKey, 0);
  ui::MakeFont(kUserFont, s.Schriftart.c_str(), s.Schriftgrösse, s.Style);

  s.Fensterausrichtung = preference::ReadInt(kAlignmentKey, 5);
  MARK_LINE();
  if (s.Fensterausrichtung == kAlignAtPosition) {
    s.Fensterpositionx = preference::ReadInt(kPositionXKey, 0);
    s.Fensterpositiony = preference::ReadInt(kPositionYKey, 0);
  } else {
    // Unknown codes keep the position that was there.
    AlignedPosition(s.Fensterausrichtung, PrimaryDisplay(), WorkArea(), &s.Fensterpositionx,
                    &s.Fensterpositiony, ui::ProgramDpi());
  }

  s.Fensteroption = preference::ReadInt(kOnTopKey, 0);
  MARK_LINE();
  s.Fensterdocking = preference::ReadInt(kDockingKey, 0);
  s.Passwort = preference::ReadString(kPasswordKey, "");
  s.Skin = preference::ReadString(kSkinKey, "");
  PrepareSkinImage(s.Skin);
}

}  // namespace

void LoadSettings() {
  MARK_LINE();
  // Before the file, so that the alignment commands have a display size even
  // when there are no settings.
  ui::ScanDisplays();
  gDisplayWidth = ui::DisplayWidth(0);
  gDisplayHeight = ui::DisplayHeight(0);

  const std::string path = StartDirectoryFile(kFileName);
  if (preference::Open(path.c_str())) {
    MARK_LINE();
    preference::RewindGroups();
    while (preference::NextGroup()) {
      // Exact and case-sensitive, unlike the preference module's own lookups.
      if (preference::GroupName() == kGroup) ApplyGroup();
    }
    preference::Close();
  }
  // Derived from the password in effect, so that a drive without settings
  // (no file, or no group) never asks for a password.
  gSettings.AccessGranted = gSettings.Passwort.empty() ? 1 : 0;
}

bool SaveSettings() {
  MARK_LINE();
  const std::string path = StartDirectoryFile(kFileName);
  if (!preference::Create(path.c_str())) return false;
  const Settings& s = gSettings;
  preference::SelectGroup(kGroup);
  MARK_LINE();
  preference::WriteString(kFontFaceKey, s.Schriftart.c_str());
  preference::WriteInt(kFontColourKey, s.Schriftfarbe);
  preference::WriteInt(kFontSizeKey, s.Schriftgrösse);
  preference::WriteInt(kStyleKey, s.Style);
  WriteComments(kStyleComments);
  preference::WriteInt(kAlignmentKey, s.Fensterausrichtung);
  WriteComments(kAlignmentComments);
  preference::WriteInt(kPositionXKey, s.Fensterpositionx);
  preference::WriteInt(kPositionYKey, s.Fensterpositiony);
  preference::WriteInt(kOnTopKey, s.Fensteroption);
  WriteComments(kOnTopComments);
  preference::WriteInt(kDockingKey, s.Fensterdocking);
  WriteComments(kDockingComments);
  preference::WriteString(kPasswordKey, s.Passwort.c_str());
  preference::WriteComment(kPasswordComment);
  preference::WriteString(kSkinKey, s.Skin.c_str());
  return preference::Close() != 0;
}

void ReportSaveFailure(const char* fileName) {
  const std::string title = TitleWithVersion();
  const std::string text = std::string("Die Datei \"") + fileName + kSaveFailedText;
  ui::ShowMessage(title.c_str(), text.c_str(), kErrorIcon);
}

}  // namespace settings
