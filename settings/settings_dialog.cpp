#include "settings/settings_dialog.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "settings/alignment.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/shift_text.h"
#include "settings/skins.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/standard_dialogs.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesSettingsDialog)

namespace settings {
namespace {

constexpr int kMainWindow = 60;
constexpr int kSettingsWindow = 65;
constexpr int kMainList = 89;

constexpr int kSkinList = 10;
constexpr int kPreview = 36;
constexpr int kFontButton = 52;
constexpr int kSaveButton = 53;
constexpr int kFocusNormal = 72;
constexpr int kFocusOnTop = 73;
constexpr int kDockingOn = 74;
constexpr int kDockingOff = 75;
constexpr int kPasswordField = 82;
constexpr int kPositionX = 83;
constexpr int kPositionY = 84;
constexpr int kSample = 86;

constexpr int kUserFont = 11;
constexpr int kDialogFont = 12;
constexpr int kHeadingFont = 13;
constexpr int kDriveImage = 23;
constexpr int kTickImage = 29;
constexpr int kLetterImage = 34;
constexpr int kPreviewImage = 77;
constexpr int kPreviewWidth = 108, kPreviewHeight = 204;

constexpr uint32_t kDialogFlags = ui::kTitleBar | ui::kCloseBox | ui::kCentreOnScreen;
constexpr uint32_t kFontEffects = 256;
constexpr int kScramble = 32;
constexpr int kAtPosition = 0;
constexpr uint32_t kInformationIcon = 0x40;

// A password character that Windows-1252 lacks could only be stored as a
// look-alike, and then an l with stroke and a plain l would both open the
// protected area.
constexpr char kPasswordCharacterRefused[] =
    "Dieses Zeichen kann nicht in einem Passwort stehen!\r\n\r\n"
    "Erlaubt sind Buchstaben, Ziffern und Zeichen des westeurop\xE4ischen Zeichensatzes (Windows-1252).";

struct AlignmentOption {
  int control;
  int x, y;
  const char* toolTip;  // nullptr = none
  int code;
};

// In keypad layout: top left, top right, centre, bottom left, bottom right,
// then the option that takes the position from the two fields.
constexpr AlignmentOption kAlignmentOptions[] = {
    {66, 8, 168, "Oben Links", 7},   {67, 40, 168, "Oben Rechts", 9},
    {68, 24, 180, "Mitte", 5},       {69, 8, 192, "Unten Links", 1},
    {70, 40, 192, "Unten Rechts", 3}, {71, 8, 218, nullptr, kAtPosition},
};

const AlignmentOption* OptionOfControl(int control) {
  for (const AlignmentOption& option : kAlignmentOptions)
    if (option.control == control) return &option;
  return nullptr;
}

// The texts the three fields held when their handlers last ran (or when the
// dialog was filled). Setting a field's text from code notifies like typing
// does, and that notification may reach the main loop only later; one that
// brings no new text must not move the window or rewrite the password.
struct KnownTexts {
  std::string password, x, y;
} gKnown;

std::string* KnownTextOf(int control) {
  switch (control) {
    case kPasswordField: return &gKnown.password;
    case kPositionX: return &gKnown.x;
    case kPositionY: return &gKnown.y;
    default: return nullptr;
  }
}

void SetFieldText(int control, const std::string& text) {
  *KnownTextOf(control) = text;
  ui::SetControlText(control, text.c_str());
}

// False for a text-change report that leaves the field's text as it was.
bool TextChanged(int control, int type) {
  std::string* known = KnownTextOf(control);
  const std::string text = ui::GetControlText(control);
  if (type == ui::kItemChange && text == *known) return false;
  *known = text;
  return true;
}

std::string LowerCase1252(std::string text) {
  for (char& c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE)) c = static_cast<char>(b + 32);
  }
  return text;
}

// The typed password, exactly; a character it cannot hold is refused and the
// field goes back to the password in effect.
void TakePassword(int type) {
  MARK_LINE();
  std::string typed;
  if (!ui::GetControlTextExactly(kPasswordField, &typed)) {
    ui::ShowMessage(TitleWithVersion().c_str(), kPasswordCharacterRefused, kInformationIcon);
    SetFieldText(kPasswordField, gKnown.password);
    ui::FocusControl(kPasswordField);
    return;
  }
  if (type == ui::kItemChange && typed == gKnown.password) return;
  gKnown.password = typed;
  gSettings.Passwort = ShiftText(typed, kScramble);
}

void Heading(int x, int y, int w, const char* text) {
  ui::SetControlFont(-1, ui::FontHandle(kHeadingFont));
  ui::CreateTextControl(-1, x, y, w, 20, text, 0);
  ui::SetControlFont(-1, ui::FontHandle(kDialogFont));
}

bool OpenWindow() {
  MARK_LINE();
  if (!ui::CreateProgramWindow(kSettingsWindow, 0, 0, 316, 360, "Einstellungen", kDialogFlags,
                               ui::WindowHandle(kMainWindow)))
    return false;
  HWND window = ui::WindowHandle(kSettingsWindow);
  if (HANDLE icon = ui::ImageHandle(kDriveImage))
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  ui::UseControlParent(window);
  ui::SetControlFont(-1, ui::FontHandle(kDialogFont));

  Heading(9, 8, 188, "[Schrift:]");
  ui::CreateFrame(-1, 8, 28, 160, 40, "", ui::kFrameStaticEdge);
  ui::CreateTextControl(kSample, 12, 30, 144, 32, "Beispieltext", 0);
  ui::CreateImageButton(kFontButton, 7, 70, 162, 24, ui::ImageHandle(kLetterImage));
  ui::SetControlToolTip(kFontButton, "Schrift \xE4ndern");

  Heading(9, 104, 64, "[Passwort:]");
  ui::CreateTextControl(-1, 80, 104, 120, 20, "(Leer = Keine Abfrage)", 0);
  ui::CreateEditField(kPasswordField, 8, 120, 160, 20, "", ui::kEditPassword);

  Heading(9, 152, 188, "[Fensterausrichtung]");
  for (const AlignmentOption& option : kAlignmentOptions) {
    ui::CreateOptionButton(option.control, option.x, option.y, 16, 16, "");
    if (option.toolTip) ui::SetControlToolTip(option.control, option.toolTip);
  }
  ui::CreateTextControl(-1, 24, 218, 20, 20, "X:", 0);
  ui::CreateEditField(kPositionX, 40, 216, 40, 20, "", ui::kEditDigitsOnly);
  ui::CreateTextControl(-1, 88, 218, 20, 20, "Y:", 0);
  ui::CreateEditField(kPositionY, 104, 216, 40, 20, "", ui::kEditDigitsOnly);

  Heading(9, 248, 188, "[Fensterfokus]");
  ui::CreateOptionButton(kFocusNormal, 8, 264, 188, 16, "Normal");
  ui::CreateOptionButton(kFocusOnTop, 8, 280, 188, 16, "Immer im Vordergrund");

  Heading(9, 304, 188, "[Fensterdocking]");
  ui::CreateOptionButton(kDockingOn, 8, 320, 188, 16, "An");
  ui::CreateOptionButton(kDockingOff, 8, 336, 188, 16, "Aus");

  // Wider than the room left of the client edge, which cuts it off.
  Heading(200, 8, 200, "[Skin]");
  ui::CreateComboBox(kSkinList, 200, 28, 108, 20, 0);
  ui::CreateImageControl(kPreview, 200, 54, kPreviewWidth, kPreviewHeight, nullptr, 0);
  ui::CreateImageButton(kSaveButton, 199, 328, 110, 24, ui::ImageHandle(kTickImage));
  return true;
}

void FillSkinList() {
  MARK_LINE();
  std::sort(gSkinNames.begin(), gSkinNames.end());
  ui::ClearControlItems(kSkinList);
  const std::string wanted = LowerCase1252(gSettings.Skin);
  int selected = 0;
  for (size_t i = 0; i < gSkinNames.size(); ++i) {
    ui::AddControlItem(kSkinList, -1, gSkinNames[i].c_str());
    if (LowerCase1252(gSkinNames[i]) == wanted) selected = static_cast<int>(i);
  }
  // Selecting from code reports nothing, so no skin is applied here.
  if (!gSkinNames.empty()) ui::SetControlState(kSkinList, selected);
}

void Fill() {
  MARK_LINE();
  const Settings& s = gSettings;
  if (HFONT userFont = ui::FontHandle(kUserFont)) ui::SetControlFont(kSample, userFont);
  ui::SetControlColour(kSample, ui::kFrontColour, s.Schriftfarbe);

  SetFieldText(kPasswordField, ShiftText(s.Passwort, -kScramble));

  for (const AlignmentOption& option : kAlignmentOptions)
    ui::SetControlState(option.control, option.code == s.Fensterausrichtung ? 1 : 0);
  SetFieldText(kPositionX, std::to_string(s.Fensterpositionx));
  SetFieldText(kPositionY, std::to_string(s.Fensterpositiony));

  ui::SetControlState(kFocusNormal, s.Fensteroption == 0 ? 1 : 0);
  ui::SetControlState(kFocusOnTop, s.Fensteroption == 1 ? 1 : 0);
  ui::SetControlState(kDockingOn, s.Fensterdocking == 1 ? 1 : 0);
  ui::SetControlState(kDockingOff, s.Fensterdocking == 0 ? 1 : 0);

  FillSkinList();

  if (ui::ScaleImage(kPreviewImage, kPreviewWidth, kPreviewHeight, ui::kScaleRaw))
    ui::SetControlState(kPreview, reinterpret_cast<intptr_t>(ui::ImageHandle(kPreviewImage)));
}

void PlaceMainWindow(int control) {
  MARK_LINE();
  Settings& s = gSettings;
  if (const AlignmentOption* option = OptionOfControl(control)) s.Fensterausrichtung = option->code;
  int x = s.Fensterpositionx, y = s.Fensterpositiony;
  if (s.Fensterausrichtung == kAtPosition) {
    x = ParsePosition(ui::GetControlText(kPositionX).c_str());
    y = ParsePosition(ui::GetControlText(kPositionY).c_str());
  } else {
    AlignedPosition(s.Fensterausrichtung, PrimaryDisplay(), WorkArea(), &x, &y, ui::ProgramDpi());
  }
  s.Fensterpositionx = x;
  s.Fensterpositiony = y;
  ui::MoveResizeWindow(kMainWindow, x, y, ui::kKeepValue, ui::kKeepValue);
}

void SetOnTop(int on) {
  MARK_LINE();
  ui::SetAlwaysOnTop(kMainWindow, on);
  gSettings.Fensteroption = on;
  ui::ActivateProgramWindow(kSettingsWindow);
}

void ChangeFont() {
  MARK_LINE();
  Settings& s = gSettings;
  if (!ui::ChooseFont(s.Schriftart.c_str(), s.Schriftgrösse, kFontEffects, s.Schriftfarbe)) return;
  s.Schriftart = ui::ChosenFontFace();
  s.Schriftfarbe = ui::ChosenFontColour();
  s.Schriftgrösse = ui::ChosenFontSize();
  s.Style = ui::ChosenFontStyle();
  ui::MakeFont(kUserFont, s.Schriftart.c_str(), s.Schriftgrösse, s.Style);
  HFONT font = ui::FontHandle(kUserFont);
  for (int control : {kSample, kMainList}) {
    if (font) ui::SetControlFont(control, font);
    ui::SetControlColour(control, ui::kFrontColour, s.Schriftfarbe);
  }
}

}  // namespace

int ParsePosition(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > int64_t{INT_MAX} + 1) break;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

void OpenSettingsDialog() {
  MARK_LINE();
  gKnown = KnownTexts{};
  if (OpenWindow()) Fill();
}

void SettingsControlEvent(int control, int type) {
  // A report can outlive its dialog (a field losing the focus while the
  // window closes); the closed dialog's fields read as empty and would
  // clear the password or move the window to 0, 0.
  if (!ui::ControlExists(control)) return;
  MARK_LINE();
  switch (control) {
    case kPasswordField:
      TakePassword(type);
      break;
    case kPositionX:
    case kPositionY:
      if (TextChanged(control, type)) PlaceMainWindow(control);
      break;
    case kSkinList:
      // Every report of the list applies its entry: picking the entry that
      // is already selected changes no selection, and when Skin names no
      // folder that entry (the first) is not yet the skin in use.
      if (ui::GetControlState(kSkinList) >= 0) ApplySkin(ui::GetControlText(kSkinList));
      break;
    default:
      // Buttons and options act on a click only: option buttons also report
      // double clicks, which choose nothing new.
      if (type != ui::kLeftClick) break;
      if (OptionOfControl(control)) {
        PlaceMainWindow(control);
      } else if (control == kFocusNormal || control == kFocusOnTop) {
        SetOnTop(control == kFocusOnTop ? 1 : 0);
      } else if (control == kDockingOn || control == kDockingOff) {
        gSettings.Fensterdocking = control == kDockingOn ? 1 : 0;
      } else if (control == kFontButton) {
        ChangeFont();
      } else if (control == kSaveButton) {
        // A write-protected stick must not keep the dialog open: the
        // settings stay in effect for this run.
        if (!SaveSettings()) ReportSaveFailure(kSettingsFileName);
        ui::CloseProgramWindow(kSettingsWindow);
      }
      break;
  }
}

}  // namespace settings
