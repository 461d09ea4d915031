#include "settings/info_dialog.h"

#include <windows.h>

#include <string>

#include "settings/links.h"
#include "settings/settings.h"
#include "storage/launch.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesInfoDialog)

namespace settings {
namespace {

constexpr int kMainWindow = 60;
constexpr int kInfoWindow = 61;
constexpr int kWebsiteLink = 38;
constexpr int kMailLink = 39;
constexpr int kCloseButton = 43;
constexpr int kDialogFont = 12;
constexpr int kBannerImage = 20;
constexpr int kBubbleImage = 24;
constexpr int kTickImage = 29;
constexpr int32_t kBlack = 0;
constexpr int32_t kRed = 255;
constexpr uint32_t kDialogFlags = ui::kTitleBar | ui::kCloseBox | ui::kCentreOnScreen;

constexpr char kTitle[] = "\xDC" "ber...";
constexpr char kAuthor[] = "Programm von Venskar";
constexpr char kReleaseDate[] = "M\xE4rz 2007";

void OpenWebsite(const char* address) { storage::StartProgram(address, "", "", 0); }

void (*gMailOpener)(const char*) = storage::OpenMailAddress;
void (*gWebsiteOpener)(const char*) = OpenWebsite;

std::string StripScheme(const char* address) {
  std::string shown = address;
  const size_t scheme = shown.find("://");
  if (scheme != std::string::npos) shown.erase(0, scheme + 3);
  if (!shown.empty() && shown.back() == '/') shown.pop_back();
  return shown;
}

}  // namespace

const char* WebsiteShown() {
  static const std::string shown = StripScheme(kWebsite);
  return shown.c_str();
}

void SetMailOpenerForTesting(void (*opener)(const char*)) {
  gMailOpener = opener ? opener : storage::OpenMailAddress;
}

void SetWebsiteOpenerForTesting(void (*opener)(const char*)) {
  gWebsiteOpener = opener ? opener : OpenWebsite;
}

void OpenInfoDialog() {
  MARK_LINE();
  if (!ui::CreateProgramWindow(kInfoWindow, 0, 0, 240, 156, kTitle, kDialogFlags, ui::WindowHandle(kMainWindow)))
    return;
  HWND window = ui::WindowHandle(kInfoWindow);
  if (HANDLE icon = ui::ImageHandle(kBubbleImage))
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  ui::UseControlParent(window);
  ui::SetControlFont(-1, ui::FontHandle(kDialogFont));

  ui::CreateImageControl(-1, 20, 8, 200, 40, ui::ImageHandle(kBannerImage), 0);
  // Made after the banner and painting only its edge, so the banner shows
  // through it.
  ui::CreateFrame(-1, 4, 4, 232, 120, "", ui::kFrameStaticEdge);
  ui::CreateTextControl(-1, 28, 50, 180, 16, kAuthor, ui::kTextCentred);
  ui::CreateLinkLabel(kWebsiteLink, 68, 70, 120, 16, WebsiteShown(), kRed, 0);
  ui::CreateLinkLabel(kMailLink, 50, 86, 160, 16, kMailAddress, kRed, 0);
  ui::SetControlColour(kWebsiteLink, ui::kFrontColour, kBlack);
  ui::SetControlColour(kMailLink, ui::kFrontColour, kBlack);
  ui::CreateTextControl(-1, 28, 106, 180, 16, kReleaseDate, ui::kTextCentred);
  ui::CreateImageButton(kCloseButton, 3, 128, 234, 24, ui::ImageHandle(kTickImage));
}

void InfoControlEvent(int control, int type) {
  MARK_LINE();
  // A click still queued when the dialog closed opens nothing.
  if (type != ui::kLeftClick || !ui::ControlExists(control)) return;
  switch (control) {
    case kCloseButton:
      ui::CloseProgramWindow(kInfoWindow);
      break;
    case kWebsiteLink:
      gWebsiteOpener(kWebsite);
      break;
    case kMailLink: {
      // The subject goes out unencoded: the mail program shows the blank
      // before "v" as it is.
      const std::string mailto = std::string("mailto:") + kMailAddress + "?Subject=" + TitleWithVersion();
      gMailOpener(mailto.c_str());
      break;
    }
    default:
      break;
  }
}

}  // namespace settings
