#include "app/main_window.h"

#include <vector>

#include "app/status_strip.h"
#include "settings/alignment.h"
#include "settings/settings.h"
#include "settings/skins.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/file_drop.h"
#include "ui/images.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesMainWindow)

namespace app {
namespace {

using settings::gSettings;

struct CommandButton {
  int number, x, y, image;
};
// Three groups: 1-3, 4, 5-7 (the wider gaps set them apart).
const CommandButton kButtons[] = {{1, 6, 6, 19},   {2, 6, 42, 18},  {3, 6, 78, 21}, {4, 6, 136, 23},
                                  {5, 6, 192, 24}, {6, 6, 228, 25}, {7, 6, 264, 22}};

// What the first paint shows: the banner, the strip, the buttons and the
// placeholder of a program without an icon.
constexpr int kBannerImage = 20, kStripImage = 35, kPlaceholderImage = 15;

std::vector<int> FirstPaintPictures() {
  std::vector<int> numbers = {kBannerImage, kStripImage, kPlaceholderImage};
  for (const auto& b : kButtons) numbers.push_back(b.image);
  return numbers;
}

}  // namespace

void LoadMainWindowPictures() {
  const std::vector<int> numbers = FirstPaintPictures();
  // The same thread then readies a display context for each window of the
  // first paint (and a few for the list's frame and the icons).
  ui::LoadEmbeddedPicturesAhead(numbers.data(), static_cast<int>(numbers.size()),
                                [] { ui::PrepareDisplayContexts(16); });
}

void CreateMainWindow() {
  MARK_LINE();
  std::string title = settings::TitleWithVersion();
  if (!ui::CreateProgramWindow(kMainWindow, gSettings.Fensterpositionx, gSettings.Fensterpositiony, 216, 408,
                               title.c_str(), ui::kBorderlessPopup | ui::kStartHidden, nullptr))
    return;
  HWND window = ui::WindowHandle(kMainWindow);
  MARK_LINE();
  ui::OnDpiChanged(OnWindowDpiChanged);
  // Shown on a display of another scale than the system's: everything is
  // made for that one before the controls are.
  if (ui::WindowDpi(window) != ui::ProgramDpi()) OnWindowDpiChanged(kMainWindow, ui::WindowDpi(window));
  settings::SetBackgroundImage(window, 76);
  if (gSettings.Fensteroption == 1) ui::SetAlwaysOnTop(kMainWindow, 1);
  MARK_LINE();
  if (!ui::UseControlParent(window)) return;
  ui::SetControlFont(-1, ui::FontHandle(11));
  for (int number : FirstPaintPictures()) ui::LoadEmbeddedPicture(number);
  ui::CreateImageControl(kBanner, 8, 8, 200, 40, ui::ImageHandle(kBannerImage), 0);
  ui::CreateIconList(kProgramList, 9, 63, 139, 304, "", 160, ui::kListLargeIconView);
  ui::SetControlColour(kProgramList, 2, RGB(255, 255, 255));
  ui::SetIconListView(kProgramList, 0);
  ui::SetControlColour(kProgramList, 1, gSettings.Schriftfarbe);
  ui::CreateImageControl(kStatusStrip, 9, 375, 198, 24, ui::ImageHandle(kStripImage), 0);
  MARK_LINE();
  ui::CreateContainer(kButtonColumn, 156, 63, 51, 304, 1);
  ui::SetControlColour(kButtonColumn, 2, RGB(255, 255, 255));
  for (const auto& b : kButtons) ui::CreateImageButton(b.number, b.x, b.y, 38, 32, ui::ImageHandle(b.image));
  ui::EndContainer();
}

void OnWindowDpiChanged(int windowNumber, int dpi) {
  if (windowNumber != kMainWindow || dpi == ui::ProgramDpi()) return;
  MARK_LINE();
  ui::SetProgramDpi(dpi);
  ui::RemakeFontsAndPictures();
  MARK_LINE();
  settings::PrepareSkinImage(gSettings.Skin);
  if (ui::ControlExists(kBanner)) settings::SetBackgroundImage(ui::WindowHandle(kMainWindow), 76);
  RedrawStatusStrip();
}

void CompleteMainWindow() {
  HWND window = ui::WindowHandle(kMainWindow);
  if (!window) return;
  MARK_LINE();
  ui::AcceptFileDrops(kMainWindow);
  MARK_LINE();
  ui::AddTrayIcon(kTrayIcon, window, static_cast<HICON>(ui::ImageHandle(16)));

  MARK_LINE();
  if (ui::NewPopupMenu(kPopupMenu)) {
    ui::OpenTopSubmenu("Ausrichtung");
    ui::AddMenuItem(1, "Links unten");
    ui::AddMenuItem(3, "Rechts unten");
    ui::AddMenuItem(5, "Zentriert");
    ui::AddMenuItem(7, "Links oben");
    ui::AddMenuItem(9, "Rechts oben");
    ui::CloseSubmenu();
    ui::AddMenuSeparator();
    ui::AddMenuItem(0, "Beenden");
  }
}

void ShowMainWindow() {
  ui::HideProgramWindow(kMainWindow, 0);
  ui::FocusControl(kProgramList);
  // Painted now, not when the queue runs dry: the window is complete on
  // screen before anything else is done.
  if (HWND window = ui::WindowHandle(kMainWindow)) UpdateWindow(window);
}

void PresentMainWindow() {
  HWND window = ui::WindowHandle(kMainWindow);
  if (!window) return;
  ShowWindow(window, SW_SHOWNA);
  UpdateWindow(window);
}

void FocusProgramList() {
  HWND main = ui::WindowHandle(kMainWindow);
  if (!main || !IsWindowVisible(main) || GetActiveWindow() != main) return;
  HWND focus = GetFocus();
  if (focus == nullptr || focus == main) ui::FocusControl(kProgramList);
}

int PointerOverControl(int controlNumber) {
  if (!ui::ControlExists(controlNumber)) return 0;
  HWND hwnd = ui::ControlHandle(controlNumber);
  if (!hwnd) return 0;
  POINT pt;
  RECT r;
  if (!GetCursorPos(&pt) || !GetWindowRect(hwnd, &r)) return 0;
  return PtInRect(&r, pt) ? 1 : 0;
}

HWND ControlUnderPointer(HWND window) {
  POINT pt;
  if (!window || !GetCursorPos(&pt)) return nullptr;
  ScreenToClient(window, &pt);
  return ChildWindowFromPoint(window, pt);
}

void MoveToAlignment(int code) {
  MARK_LINE();
  int x = gSettings.Fensterpositionx, y = gSettings.Fensterpositiony;
  if (!settings::AlignedPosition(code, settings::PrimaryDisplay(), settings::WorkArea(), &x, &y,
                                 ui::ProgramDpi()))
    return;
  gSettings.Fensterpositionx = x;
  gSettings.Fensterpositiony = y;
  ui::MoveResizeWindow(kMainWindow, x, y, ui::kKeepValue, ui::kKeepValue);
}

}  // namespace app
