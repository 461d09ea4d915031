#include "settings/password_prompt.h"

#include <windows.h>

#include <string>

#include "settings/settings.h"
#include "settings/shift_text.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/standard_dialogs.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesPasswordPrompt)

namespace settings {
namespace {

constexpr int kMainWindow = 60;
constexpr int kPromptWindow = 64;
constexpr int kPasswordField = 78;
constexpr int kConfirmButton = 44;
constexpr int kDialogFont = 12;
constexpr int kKeyImage = 26;
constexpr int kTickImage = 29;
constexpr uint32_t kDialogFlags = ui::kTitleBar | ui::kCloseBox | ui::kCentreOnScreen;
constexpr int kScramble = 32;

constexpr char kTitle[] = "Gesch\xFCtzter Bereich";
constexpr char kRequest[] = "Bitte geben Sie ein Passwort ein:";
// No stored password holds a character Windows-1252 lacks; compared as a
// look-alike it would let in more than the one password.
constexpr char kCharacterRefused[] =
    "Das Passwort enth\xE4lt ein Zeichen, das in keinem Passwort stehen kann!\r\n\r\n"
    "Erlaubt sind Buchstaben, Ziffern und Zeichen des westeurop\xE4ischen Zeichensatzes (Windows-1252).";
constexpr uint32_t kInformationIcon = 0x40;

bool OpenPrompt() {
  MARK_LINE();
  if (!ui::CreateProgramWindow(kPromptWindow, 0, 0, 240, 80, kTitle, kDialogFlags, ui::WindowHandle(kMainWindow)))
    return false;
  HWND window = ui::WindowHandle(kPromptWindow);
  if (HANDLE icon = ui::ImageHandle(kKeyImage))
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  ui::UseControlParent(window);
  ui::SetControlFont(-1, ui::FontHandle(kDialogFont));
  ui::CreateFrame(-1, 4, 4, 232, 72, "", ui::kFrameStaticEdge);
  ui::CreateTextControl(-1, 10, 8, 224, 20, kRequest, 0);
  ui::CreateEditField(kPasswordField, 9, 24, 222, 20, "", ui::kEditPassword);
  ui::CreateImageButton(kConfirmButton, 152, 48, 80, 24, ui::ImageHandle(kTickImage));
  ui::FocusControl(kPasswordField);
  return true;
}

void EndPrompt(int granted) {
  MARK_LINE();
  ui::CloseProgramWindow(kPromptWindow);
  gSettings.AccessGranted = granted;
}

// True when the prompt has ended.
bool CheckPassword() {
  MARK_LINE();
  std::string typed;
  if (!ui::GetControlTextExactly(kPasswordField, &typed)) {
    ui::ShowMessage(TitleWithVersion().c_str(), kCharacterRefused, kInformationIcon);
  } else if (typed == ShiftText(gSettings.Passwort, -kScramble)) {
    EndPrompt(1);
    return true;
  }
  ui::SetControlText(kPasswordField, "");
  ui::FocusControl(kPasswordField);
  return false;
}

}  // namespace

void RunPasswordPrompt() {
  // Without its window nobody could answer the prompt, and waiting would
  // hang the launcher: access simply stays as it is.
  if (!OpenPrompt()) return;
  MARK_LINE();
  for (;;) {
    const int event = ui::WaitForEvent(-1);
    if (event == ui::kWindowCloseRequest) {
      EndPrompt(0);
      return;
    }
    if (event == ui::kControlEvent && ui::EventSource() == kConfirmButton && CheckPassword()) return;
    // Also counts a press made while another program was in front; the key
    // state is queried after every event so that no press is kept for later.
    if (GetAsyncKeyState(VK_RETURN) != 0 && CheckPassword()) return;
  }
}

}  // namespace settings
